// What a job's aro-print has told so far through its status lines, and the
// messages and end of the print job that follow from it.
#pragma once

#include <optional>
#include <string>

namespace aro::printerapp {

// Why a job did not print, as the job's state reason tells a client.
enum class JobFailure {
    None,
    Unprintable,  // the document gave no page (damaged, empty, wrong type)
    Refused,      // the module refused a band
    Incomplete,   // stopped before its end: no output file, a page that failed, a crash
};

class JobReport {
public:
    // Takes one status line; the message the job shows for it, or empty.
    std::string Take(const std::string& line);

    // The child's exit status (as waitpid gives it), once it has ended;
    // describes an end without an outcome line.
    void Ended(int waitStatus);

    std::optional<long> totalPages() const { return m_total; }
    long pagesDone() const { return m_pagesDone; }
    const std::string& lastFile() const { return m_lastFile; }

    JobFailure Failure() const;
    // Why the job failed, for its message; the summary when it printed.
    std::string FinalMessage() const;

private:
    std::optional<long> m_total;
    long m_pagesDone = 0;
    std::string m_lastFile;
    std::string m_firstError;
    std::string m_refusal;
    std::string m_outcome;  // empty until the outcome line came
    long m_exitCode = -1;
    std::string m_endDescription;  // set by Ended when no outcome line came
};

}  // namespace aro::printerapp
