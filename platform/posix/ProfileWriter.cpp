#include "platform/posix/ProfileWriter.h"

#include <string>
#include <string_view>

#include "platform/posix/AtomicFile.h"
#include "platform/posix/TextLines.h"

namespace aro::posix {

namespace {

// Where key=value goes in an existing INI text.
struct ProfileEditPlan {
    bool haveSection = false;
    std::size_t insertAt = 0;  // after the section's last key line, or its header
    bool haveKeyLine = false;
    std::size_t keyBegin = 0;  // after the line's indentation
    std::size_t keyContentEnd = 0;
    std::string keyName;  // as the file spells it
};

// "[name]" (up to the last "]") gives the section name, without blanks.
bool ReadSectionName(std::string_view line, std::string_view* name) {
    const std::size_t close = line.rfind(']');
    if (line.empty() || line.front() != '[' || close == std::string_view::npos) return false;
    *name = TrimBlanks(line.substr(1, close - 1));
    return true;
}

// Keys of the first section of that name, up to the next section header.
ProfileEditPlan PlanProfileEdit(std::string_view text, std::string_view section,
                                std::string_view key) {
    ProfileEditPlan plan;
    std::size_t position = 0;
    TextLine line;
    while (NextTextLine(text, &position, &line)) {
        const std::string_view raw = text.substr(line.begin, line.contentEnd - line.begin);
        const std::string_view content = TrimBlanks(raw);
        std::string_view name;
        if (ReadSectionName(content, &name)) {
            if (plan.haveSection) break;
            plan.haveSection = EqualsIgnoringCase(name, section);
            plan.insertAt = line.end;
            continue;
        }
        if (!plan.haveSection || content.empty() || content.front() == ';') continue;
        plan.insertAt = line.end;
        const std::string_view lineKey = TrimBlanks(content.substr(0, content.find('=')));
        if (EqualsIgnoringCase(lineKey, key)) {
            plan.haveKeyLine = true;
            plan.keyBegin = line.begin + static_cast<std::size_t>(content.data() - raw.data());
            plan.keyContentEnd = line.contentEnd;
            plan.keyName = lineKey;
            break;
        }
    }
    return plan;
}

std::string EditedProfile(std::string_view text, std::string_view section, std::string_view key,
                          std::string_view value) {
    const std::string_view lineEnd = LineEndOf(text);
    const ProfileEditPlan plan = PlanProfileEdit(text, section, key);
    if (plan.haveKeyLine) {
        std::string edited(text.substr(0, plan.keyBegin));
        edited += plan.keyName;
        edited += '=';
        edited += value;
        edited += text.substr(plan.keyContentEnd);
        return edited;
    }
    const std::string keyLine = std::string(key) + "=" + std::string(value);
    if (plan.haveSection) return WithLineInserted(text, plan.insertAt, keyLine, lineEnd);
    std::string edited = WithBlankLineAtEnd(text, lineEnd);
    edited += '[';
    edited += section;
    edited += ']';
    edited += lineEnd;
    edited += keyLine;
    edited += lineEnd;
    return edited;
}

// Names and values that read back as they were written.
bool FitsOneLine(std::string_view section, std::string_view key, std::string_view value) {
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
    if (key.empty() || key.find('=') != std::string_view::npos) return false;
    return key.front() != ';' && key.front() != '[';
}

}  // namespace

bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* file) {
    if (section == nullptr || key == nullptr || value == nullptr || file == nullptr || !*file) {
        return false;
    }
    const std::string_view sectionName = TrimBlanks(section);
    const std::string_view keyName = TrimBlanks(key);
    if (!FitsOneLine(sectionName, keyName, value)) return false;

    std::string old;
    struct stat oldInfo {};
    const FileReadResult read = ReadRegularFile(file, &old, &oldInfo);
    if (read == FileReadResult::Failed) return false;
    const bool hasBom = old.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0;
    const std::string_view body = std::string_view(old).substr(hasBom ? kUtf8Bom.size() : 0);
    const std::string updated = std::string(hasBom ? kUtf8Bom : std::string_view()) +
                                EditedProfile(body, sectionName, keyName, value);
    if (read == FileReadResult::Read && updated == old) return true;
    return ReplaceFileAtomically(file, updated, read == FileReadResult::Read ? &oldInfo : nullptr);
}

}  // namespace aro::posix
