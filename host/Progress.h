// Page progress on standard error, shown only when that is a terminal.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace aro::host {

bool StandardErrorIsTerminal();

class ProgressLine {
public:
    ProgressLine(std::string input, bool enabled);
    ~ProgressLine();  // clears the line
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Page(size_t number, std::optional<size_t> total);

private:
    std::string m_input;
    bool m_enabled;
    bool m_shown = false;
};

// "page 3 of 7", or "page 3" when the total is unknown.
std::string PageProgressText(size_t number, std::optional<size_t> total);

}  // namespace aro::host
