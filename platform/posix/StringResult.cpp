#include "platform/posix/StringResult.h"

#include <cstring>
#include <limits>

namespace aro::posix {

namespace {

// Copies text with its terminator when it fits. When it does not, a buffer
// the caller may still read is left holding an empty string rather than
// stale bytes.
bool StoreIfFits(const std::string& text, char* buffer, uint32_t capacity) {
    if (buffer == nullptr) capacity = 0;
    if (text.size() < capacity) {
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        return true;
    }
    if (capacity > 0) buffer[0] = '\0';
    return false;
}

bool TooLongForApiSize(const std::string& text) {
    return text.size() >= std::numeric_limits<uint32_t>::max();
}

}  // namespace

uint32_t StoreReportingLength(const std::string& text, char* buffer, uint32_t capacity) {
    if (TooLongForApiSize(text)) return 0;
    const auto length = static_cast<uint32_t>(text.size());
    return StoreIfFits(text, buffer, capacity) ? length : length + 1;
}

uint32_t StoreReportingCount(const std::string& text, char* buffer, uint32_t capacity) {
    if (TooLongForApiSize(text)) return 0;
    StoreIfFits(text, buffer, capacity);
    return static_cast<uint32_t>(text.size()) + 1;
}

}  // namespace aro::posix
