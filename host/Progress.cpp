#include "Progress.h"

#include <unistd.h>

#include <cstdio>

namespace aro::host {

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

std::string PageProgressText(size_t number, std::optional<size_t> total) {
    std::string text = "page " + std::to_string(number);
    if (total && *total >= number) text += " of " + std::to_string(*total);
    return text;
}

ProgressLine::ProgressLine(std::string input, bool enabled)
    : m_input(std::move(input)), m_enabled(enabled) {}

ProgressLine::~ProgressLine() {
    if (m_shown) std::fputs("\r\033[K", stderr);
}

void ProgressLine::Page(size_t number, std::optional<size_t> total) {
    if (!m_enabled) return;
    std::fprintf(stderr, "\r\033[K%s: %s", m_input.c_str(),
                 PageProgressText(number, total).c_str());
    std::fflush(stderr);
    m_shown = true;
}

}  // namespace aro::host
