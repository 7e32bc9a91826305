// Feeds arbitrary bytes to the .reg hive parser as the text of a hive file
// (UTF-8 or, after its byte-order mark, UTF-16 LE).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/RegistryHive.h"
#include "platform/posix/TextLines.h"

namespace {

constexpr std::string_view kKeys[] = {
    "Software\\ARO Digital\\Dovurezazuv",
    "Software\\ARO Digital\\Versions",
    "Software\\ARO Digital",
    "",
};

constexpr std::string_view kNames[] = {"Output Folder", "ARO Printer DLL (AroPrinterCfg.dll)",
                                       "Pages", "Blob", ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    // Whatever UTF-16 decodes to is UTF-8 that has a UTF-16 form again.
    const std::string decoded = aro::posix::Utf16LeToUtf8(text);
    std::string again;
    if (!aro::posix::Utf8ToUtf16Le(decoded, &again) || again.size() > size) __builtin_trap();
    for (aro::Hive hive : {aro::Hive::CurrentUser, aro::Hive::LocalMachine}) {
        for (std::string_view key : kKeys) {
            for (std::string_view name : kNames) {
                aro::posix::HiveValue value;
                const bool found = aro::posix::FindHiveValue(text, hive, key, name, &value);
                // Asking without a place for the value must give the same answer.
                if (found != aro::posix::FindHiveValue(text, hive, key, name, nullptr)) {
                    __builtin_trap();
                }
            }
        }
    }
    return 0;
}
