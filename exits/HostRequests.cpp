// The exits a host calls besides the job's course: the .TXT name, the job
// name and the dialog procedure.
#include <cstring>

#include "AroPrinterCfg.h"
#include "base/FixedText.h"
#include "exits/Exits.h"
#include "job/JobContext.h"
#include "platform/PathRules.h"
#include "platform/Platform.h"

namespace aro {

namespace {
constexpr unsigned int kInitDialogMessage = 0x0110;
constexpr unsigned int kCommandMessage = 0x0111;
constexpr uintptr_t kOkCommand = 1;
// Characters a file name cannot hold.
constexpr const char* kDroppedCharacters = "\"*/:<>?\\|";

// Control characters (a line break would end a .grp line) and the
// characters a file name cannot hold.
bool IsDropped(char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::strchr(kDroppedCharacters, c);
}
}  // namespace

int16_t GetPrintFileName(char* dest) {
    if (!dest) return 1;
    char name[ARO_PRINT_FILE_NAME_SIZE] = "";
    if (TextEquals(g_job.settings.printTxtFile, "1")) {
        CopyText(name, g_job.names.printDir);
        AppendText(name, kPathSeparatorText);
        AppendText(name, g_job.names.fileName);
        AppendText(name, ".TXT");
    }
    std::memcpy(dest, name, std::strlen(name) + 1);
    return 1;
}

// A name longer than the field is cut between two characters.
int16_t PrintJobName(const char* name) {
    std::size_t out = 0;
    const char* c = name ? name : "";
    for (; *c && out + 1 < kPathSize; ++c)
        if (!IsDropped(*c)) g_job.names.jobName[out++] = *c;
    g_job.names.jobName[out] = '\0';
    while (*c && IsDropped(*c)) ++c;
    if (*c)
        g_job.names.jobName[GetPlatform().CharacterBoundaryAtOrBefore(g_job.names.jobName, out)] =
            '\0';
    return 1;
}

// The dialog opens at (50, 50) and closes on OK, as it is.
intptr_t DialogProcedure(void* window, unsigned int msg, uintptr_t wParam, intptr_t) {
    if (msg == kInitDialogMessage) {
        GetPlatform().MoveWindowTo(window, 50, 50);
        return 1;
    }
    if (msg == kCommandMessage && (wParam & 0xFFFF) == kOkCommand) {
        GetPlatform().EndDialog(window, 0);
        return 0;
    }
    return 0;
}

}  // namespace aro
