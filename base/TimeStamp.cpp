#include "base/TimeStamp.h"

#include <cstdio>

#include "platform/Platform.h"

namespace aro {

namespace {
// Fields of a broken clock must not overrun the buffers: each is reduced to
// its width.
unsigned Field(int value, unsigned limit) {
    return static_cast<unsigned>(value) % limit;
}
}  // namespace

void FormatFileTimeStamp(char* buffer) {
    LocalTime t = GetPlatform().GetLocalTime();
    std::snprintf(buffer, kTimeStampSize, "%.4u%.2u%.2u%.2u%.2u%.2u%.3u", Field(t.year, 10000),
                  Field(t.month, 100), Field(t.day, 100), Field(t.hour, 100), Field(t.minute, 100),
                  Field(t.second, 100), Field(t.milliseconds, 1000));
}

void FormatIsoDate(char* buffer) {
    LocalTime t = GetPlatform().GetLocalTime();
    std::snprintf(buffer, kIsoDateSize, "%.4u%.2u%.2u%.2u%.2u%.2u", Field(t.year, 10000),
                  Field(t.month, 100), Field(t.day, 100), Field(t.hour, 100), Field(t.minute, 100),
                  Field(t.second, 100));
}

}  // namespace aro
