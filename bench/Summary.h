// The bench's figures as a Markdown table, with each target and whether it
// was met.
#pragma once

#include <string>
#include <vector>

namespace aro::bench {

struct SummaryRow {
    std::string measurement;
    std::string module;    // the module's figure
    std::string baseline;  // what it is compared with
    std::string ratio;     // module / baseline, or the difference
    std::string target;
    std::string met;  // "yes", "no", or "" for information only
};

class Summary {
public:
    // A row comparing two times (ms or s); ratio < 0: value / baseline.
    // A limit of 0 is no target.
    void AddRatio(const std::string& measurement, double value, double baseline,
                  const std::string& unit, double limit, double ratio = -1);
    // A row comparing two sizes in KiB by their difference.
    void AddDifference(const std::string& measurement, long value, long baseline, long limitKiB);
    // A row that counts what succeeded; the target is all of them.
    void AddCount(const std::string& measurement, int count, int expected, const std::string& note);
    // A row without target: a figure, what it is compared with, a ratio.
    void AddInformation(const std::string& measurement, const std::string& value,
                        const std::string& baseline, const std::string& ratio);

    std::string Markdown() const;
    bool AllTargetsMet() const;

private:
    std::vector<SummaryRow> m_rows;
};

}  // namespace aro::bench
