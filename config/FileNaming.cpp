#include "config/FileNaming.h"

#include <cstring>

#include "base/FixedText.h"
#include "base/TimeStamp.h"
#include "config/DiagnosticLog.h"
#include "config/SettingsStore.h"
#include "job/JobContext.h"
#include "platform/PathRules.h"
#include "platform/Platform.h"

namespace aro {

namespace {

constexpr const char* kDefaultStem = "AROPrint";
constexpr const char* kSeparator = "_";
constexpr const char* kShortNameStem = "AROprint";

// "_" and the stamp after a name of a 260-byte field; a name too long for
// both gives way to them.
void AppendSeparatorAndStamp(char* name, const char* stamp) {
    const std::size_t tail = 1 + std::strlen(stamp);
    if (std::strlen(name) + tail > kPathSize - 1) CutName(name, kPathSize - 1 - tail);
    AppendText(name, kPathSize, kSeparator);
    AppendText(name, kPathSize, stamp);
}

// "_" and a new time stamp, read from the clock now.
void AppendSeparatorAndNewStamp(char* name) {
    char stamp[kTimeStampSize];
    FormatFileTimeStamp(stamp);
    AppendSeparatorAndStamp(name, stamp);
}

bool EndsInTimeStamp(const char* name, std::size_t length) {
    constexpr std::size_t kDigits = kTimeStampSize - 1;
    if (length < kDigits + 1 || name[length - kDigits - 1] != '_') return false;
    for (std::size_t i = length - kDigits; i < length; ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

// A naming run: the two names being built, the sub-directory flag and
// whether the file name ends in a time stamp.
struct Names {
    char* file;  // kPathSize bytes
    char* doc;   // kPathSize bytes
    bool subfolder = false;
    bool fileStamped = false;

    void SetFile(const char* text) {
        CopyText(file, kPathSize, text);
        fileStamped = false;
    }
    void StampFile(const char* stamp) {
        AppendSeparatorAndStamp(file, stamp);
        fileStamped = true;
    }
    void StampFileNow() {
        AppendSeparatorAndNewStamp(file);
        fileStamped = true;
    }
    void SetDoc(const char* text) { CopyText(doc, kPathSize, text); }
    void AppendFile(const char* text) { AppendText(file, kPathSize, text); }
    void AppendDoc(const char* text) { AppendText(doc, kPathSize, text); }

    // "PrintToArchive/AROPrint" in an archive job, else the given text.
    void SetFileArchivePrefixOr(const char* otherwise) {
        if (subfolder) {
            SetFile("PrintToArchive");
            AppendFile(kPathSeparatorText);
            AppendFile(kDefaultStem);
        } else {
            SetFile(otherwise);
        }
    }
    // The archive job's file name: prefix, "_" and a new time stamp.
    void SetArchiveFileWithTimeStamp() {
        SetFileArchivePrefixOr("");
        StampFileNow();
    }
    // Default or rule "1": stem, "_" and a new time stamp in both names.
    void SetStampedDefaults() {
        SetFileArchivePrefixOr(kDefaultStem);
        AppendFile(kSeparator);
        SetDoc(kDefaultStem);
        AppendDoc(kSeparator);
        char stamp[kTimeStampSize];
        FormatFileTimeStamp(stamp);
        AppendFile(stamp);
        AppendDoc(stamp);
        fileStamped = true;
    }
};

bool ReadSpecialName(char (&special)[kPathSize]) {
    if (!ReadUserSetting("TempfileName", special)) return false;
    ARO_LOG("TempFileName registry entry found\n");
    return true;
}

void ApplyJobNameRule(Names& names) {
    ARO_LOG("PrintJobName\n");
    if (names.subfolder)
        names.SetArchiveFileWithTimeStamp();
    else
        names.SetFile(g_job.names.jobName);
    names.SetDoc(g_job.names.jobName);
}

void ApplyJobNameAndTimeStampRule(Names& names) {
    ARO_LOG("Print Job Name And TimeStamp\n");
    names.SetFileArchivePrefixOr(g_job.names.jobName);
    if (names.subfolder) names.AppendFile(kSeparator);
    names.SetDoc(g_job.names.jobName);
    char stamp[kTimeStampSize];
    FormatFileTimeStamp(stamp);
    names.StampFile(stamp);
    AppendSeparatorAndStamp(names.doc, stamp);
}

void ApplySpecialNameRule(Names& names) {
    ARO_LOG("Special file name\n");
    char special[kPathSize];
    if (names.subfolder) {
        names.SetArchiveFileWithTimeStamp();
        if (!ReadSpecialName(special)) return;
        names.SetDoc(std::strlen(special) < 2 ? kShortNameStem : special);
        return;
    }
    if (!ReadSpecialName(special)) return;
    if (std::strlen(special) < 2) {
        names.SetFile(kShortNameStem);
        names.SetDoc(special);
        return;
    }
    ARO_LOG(TextValue("TempFileName entry found in CU : ") + special + "\n");
    names.SetFile(special);
    names.SetDoc(special);
}

// Returns false when nothing was decided (the caller logs that).
bool ApplySpecialNameAndTimeStampRule(Names& names) {
    ARO_LOG("Special file name with time stamp\n");
    char special[kPathSize];
    if (names.subfolder) {
        names.SetArchiveFileWithTimeStamp();
        if (!ReadSpecialName(special) || std::strlen(special) < 2) return false;
        names.SetDoc(special);
        AppendSeparatorAndNewStamp(names.doc);
        return true;
    }
    if (!ReadSpecialName(special) || std::strlen(special) < 2) return false;
    ARO_LOG(TextValue("TempFileName entry found in CU : ") + special + "\n");
    names.SetFile(special);
    names.StampFileNow();
    names.SetDoc(names.file);
    return true;
}

// Runs the rule named by FileNameMode; false when no rule decided the names.
bool ApplyFileNameMode(Names& names) {
    char mode[kPathSize];
    if (!ReadUserSetting("FileNameMode", mode)) return false;
    ARO_LOG("FileNameMode registry entry found\n");
    if (TextEquals(mode, "1")) {
        ARO_LOG("Build time stamp\n");
        names.SetStampedDefaults();
        return true;
    }
    if (TextEquals(mode, "2")) return ApplyJobNameRule(names), true;
    if (TextEquals(mode, "3")) return ApplyJobNameAndTimeStampRule(names), true;
    if (TextEquals(mode, "4")) return ApplySpecialNameRule(names), true;
    if (TextEquals(mode, "5")) return ApplySpecialNameAndTimeStampRule(names);
    return false;
}

}  // namespace

void GetFileName(char* fileName) {
    ARO_LOG("In function GetFileName\n");
    Names names{fileName, g_job.names.docName};
    char archive[kPathSize];
    if (ReadUserSetting("PrintToArchive", archive)) {
        ARO_LOG("PrintToArchive registery entry found\n");
        if (TextEquals(archive, "1")) {
            ARO_LOG("CU PrintToArchive = 1 -> Print to sub directory\n");
            names.subfolder = true;
        }
    }
    ARO_LOG("Set default entry for FileName\n");
    ARO_LOG("Build time stamp for default file name\n");
    names.SetStampedDefaults();
    if (!ApplyFileNameMode(names)) ARO_LOG("Exit function GetFileName without anything done\n");
    g_job.names.stampedFileName = names.fileStamped;
}

void CutKeepingTimeStamp(char* name, std::size_t length) {
    const std::size_t current = std::strlen(name);
    if (current <= length) return;
    constexpr std::size_t kTail = kTimeStampSize;  // "_" and the digits
    if (length >= kTail && EndsInTimeStamp(name, current)) {
        const std::size_t kept = GetPlatform().CharacterBoundaryAtOrBefore(name, length - kTail);
        std::memmove(name + kept, name + current - kTail, kTail + 1);
    } else {
        CutName(name, length);
    }
}

void CutName(char* name, std::size_t length) {
    if (std::strlen(name) <= length) return;
    name[GetPlatform().CharacterBoundaryAtOrBefore(name, length)] = '\0';
}

}  // namespace aro
