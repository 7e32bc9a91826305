// Feeds arbitrary bytes to the .reg hive parser as the text of a hive file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/posix/RegistryHive.h"

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
