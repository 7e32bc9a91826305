#include "Summary.h"

#include <cstdio>

namespace aro::bench {

namespace {

std::string Format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string Cell(const std::string& text, size_t width) {
    return text + std::string(text.size() < width ? width - text.size() : 0, ' ');
}

}  // namespace

void Summary::AddRatio(const std::string& measurement, double value, double baseline,
                       const std::string& unit, double limit, double ratio) {
    if (ratio < 0) ratio = baseline > 0 ? value / baseline : 0;
    const char* pattern = unit == "s" ? "%.3f s" : unit == "us" ? "%.1f us" : "%.2f ms";
    m_rows.push_back({measurement, Format(pattern, value), Format(pattern, baseline),
                      Format("%.3f", ratio), limit > 0 ? Format("<= %.2f", limit) : "",
                      limit > 0 ? (ratio <= limit ? "yes" : "no") : ""});
}

void Summary::AddDifference(const std::string& measurement, long value, long baseline,
                            long limitKiB) {
    const long difference = value - baseline;
    m_rows.push_back(
        {measurement, std::to_string(value) + " KiB", std::to_string(baseline) + " KiB",
         (difference >= 0 ? "+" : "") + std::to_string(difference) + " KiB",
         "<= +" + std::to_string(limitKiB) + " KiB", difference <= limitKiB ? "yes" : "no"});
}

void Summary::AddCount(const std::string& measurement, int count, int expected,
                       const std::string& note) {
    m_rows.push_back({measurement, std::to_string(count) + " of " + std::to_string(expected), note,
                      "", "all", count == expected ? "yes" : "no"});
}

void Summary::AddInformation(const std::string& measurement, const std::string& value,
                             const std::string& baseline, const std::string& ratio) {
    m_rows.push_back({measurement, value, baseline, ratio, "", ""});
}

std::string Summary::Markdown() const {
    const std::vector<std::string> head = {"Measurement",        "Module", "Baseline",
                                           "Ratio / difference", "Target", "Met"};
    std::vector<size_t> width(head.size());
    auto cells = [](const SummaryRow& r) {
        return std::vector<std::string>{r.measurement, r.module, r.baseline,
                                        r.ratio,       r.target, r.met};
    };
    for (size_t i = 0; i < head.size(); ++i) width[i] = head[i].size();
    for (const SummaryRow& row : m_rows) {
        const auto c = cells(row);
        for (size_t i = 0; i < c.size(); ++i) width[i] = std::max(width[i], c[i].size());
    }
    auto line = [&](const std::vector<std::string>& c) {
        std::string text = "|";
        for (size_t i = 0; i < c.size(); ++i) text += " " + Cell(c[i], width[i]) + " |";
        return text + "\n";
    };
    std::string table = line(head);
    std::vector<std::string> rule;
    for (size_t w : width) rule.push_back(std::string(w, '-'));
    table += line(rule);
    for (const SummaryRow& row : m_rows) table += line(cells(row));
    return table;
}

bool Summary::AllTargetsMet() const {
    for (const SummaryRow& row : m_rows)
        if (row.met == "no") return false;
    return true;
}

}  // namespace aro::bench
