#include "platform/Platform.h"

namespace aro {

namespace {
Platform* g_pPlatformOverride = nullptr;
}

Platform& GetPlatform() {
    return g_pPlatformOverride ? *g_pPlatformOverride : BuiltInPlatform();
}

void SetPlatform(Platform* platform) {
    g_pPlatformOverride = platform;
}

}  // namespace aro
