#include "SettingsCheck.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "ModuleSettings.h"
#include "config/FileNaming.h"
#include "config/OutputDirectory.h"

namespace aro::host {

namespace {

constexpr size_t kNameField = 260;  // the module's file name field (MAX_PATH)

bool IsWritableFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           access(path.c_str(), W_OK | X_OK) == 0;
}

// The name the module would choose now. No job is named yet: a naming rule
// that starts with the job's name shows where it goes.
std::string NextName() {
    char stem[kNameField] = {};
    GetFileName(stem);
    std::string name = stem;
    if (name.empty() || name[0] == '_') name = "<job name>" + name;
    return name + ".TIF";
}

void CheckBackgrounds(std::vector<std::string>* problems) {
    if (UserSetting("PrintBackgroundImage") != "1") return;
    for (const char* value : {"BackgroundImageFirstPage", "BackgroundImageNextPages",
                              "BackgroundImageFirstPageColor", "BackgroundImageNextPagesColor"}) {
        std::string path = UserSetting(value);
        struct stat st;
        if (!path.empty() && stat(path.c_str(), &st) != 0)
            problems->push_back(std::string(value) + " names \"" + path +
                                "\", which does not exist");
    }
}

void CheckFolder(const std::string& folder, std::vector<std::string>* problems) {
    if (folder.empty())
        problems->push_back(
            "no output folder: set AlternateKey to a key whose Dovurezazuv value is the folder, "
            "or run 'aro-print --setup FOLDER'");
    else if (!IsWritableFolder(folder))
        problems->push_back("the output folder " + folder +
                            " does not exist or is not writable: create it or change the setting");
}

}  // namespace

int CheckSettings() {
    std::printf("user hive:     %s\n", DescribeHiveFile(UserHiveFile()).c_str());
    std::printf("machine hive:  %s\n", DescribeHiveFile(MachineHiveFile()).c_str());
    std::string alternateKey = UserThenMachineSetting("AlternateKey");
    const char* from = UserSetting("AlternateKey").empty() ? "machine hive" : "user hive";
    if (alternateKey.empty())
        std::printf("AlternateKey:  (not set)\n");
    else
        std::printf("AlternateKey:  \"%s\" (%s)\n", alternateKey.c_str(), from);
    std::fflush(stdout);
    // The module's own rules; they may create a client-options folder, as a
    // job would.
    std::string folder = ResolveOutputFolder().c_str();
    std::printf("output folder: %s\n", folder.empty() ? "(none)" : folder.c_str());
    if (!folder.empty()) std::printf("next file:     %s/%s\n", folder.c_str(), NextName().c_str());
    std::vector<std::string> problems;
    CheckFolder(folder, &problems);
    CheckBackgrounds(&problems);
    if (problems.empty()) std::printf("problems:      none\n");
    for (const std::string& problem : problems) std::printf("problem:       %s\n", problem.c_str());
    return problems.empty() ? 0 : 1;
}

}  // namespace aro::host
