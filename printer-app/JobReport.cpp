#include "JobReport.h"

#include <sys/wait.h>

#include <cstring>

#include "StatusLine.h"

namespace aro::printerapp {

namespace {

std::string PageMessage(long page, const std::optional<long>& total) {
    std::string text = "Page " + std::to_string(page);
    if (total && *total >= page) text += " of " + std::to_string(*total);
    return text;
}

std::string DescribeEnd(int waitStatus) {
    if (WIFSIGNALED(waitStatus))
        return std::string("aro-print was ended by signal ") + strsignal(WTERMSIG(waitStatus));
    if (WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 126)
        return "aro-print could not be started as the job's account";
    if (WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 127)
        return "aro-print could not be started";
    return "aro-print ended without an outcome (exit status " +
           std::to_string(WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1) + ")";
}

}  // namespace

std::string JobReport::Take(const std::string& text) {
    StatusLine line = ParseStatusLine(text);
    switch (line.kind) {
        case StatusLine::Kind::Pages:
            m_total = line.number;
            return "";
        case StatusLine::Kind::Page:
            m_pagesDone = line.number;
            return PageMessage(line.number, m_total);
        case StatusLine::Kind::Refused:
            if (m_refusal.empty())
                m_refusal = "The module refused page " + std::to_string(line.number) + " (status " +
                            std::to_string(line.value) + ")";
            return m_refusal;
        case StatusLine::Kind::File:
            m_lastFile = line.text;
            return "Writing " + line.text;
        case StatusLine::Kind::Error:
            if (m_firstError.empty()) m_firstError = line.text;
            return line.text;
        case StatusLine::Kind::Outcome:
            m_outcome = line.text;
            m_exitCode = line.value;
            return "";
        case StatusLine::Kind::Unknown:
            break;
    }
    return "";
}

void JobReport::Ended(int waitStatus) {
    if (m_outcome.empty()) m_endDescription = DescribeEnd(waitStatus);
}

JobFailure JobReport::Failure() const {
    if (m_outcome.empty()) return JobFailure::Incomplete;
    if (m_outcome == "printed" && m_exitCode == 0) return JobFailure::None;
    if (m_outcome == "rejected") return JobFailure::Unprintable;
    if (m_outcome == "refused") return JobFailure::Refused;
    return JobFailure::Incomplete;
}

std::string JobReport::FinalMessage() const {
    if (Failure() == JobFailure::None) {
        std::string text = "Printed " + std::to_string(m_pagesDone) + " page(s)";
        return m_lastFile.empty() ? text : text + " to " + m_lastFile;
    }
    if (!m_refusal.empty()) return m_refusal;
    if (!m_firstError.empty()) return m_firstError;
    if (!m_endDescription.empty()) return m_endDescription;
    return "aro-print ended with '" + m_outcome + "' (exit status " + std::to_string(m_exitCode) +
           ")";
}

}  // namespace aro::printerapp
