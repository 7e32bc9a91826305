#include "platform/posix/RegistryHive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "platform/posix/AtomicFile.h"
#include "platform/posix/TextLines.h"
#include "platform/posix/UserAccount.h"

namespace aro::posix {

namespace {

constexpr std::string_view kFileHeader = "Windows Registry Editor Version 5.00";
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

// ---- text ----

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// ---- the file's encoding ----

// The encodings a hive file comes in: bytes (UTF-8 or any other
// ASCII-compatible text, no conversion), UTF-8 with its byte-order mark, or
// UTF-16 LE with its byte-order mark, as regedit exports.
enum class HiveEncoding { Bytes, Utf8Bom, Utf16Le };

// The text of a hive file without its byte-order mark, as UTF-8 when the
// file is UTF-16 LE. Reads are lenient (what does not decode counts as a
// malformed line); a write needs a text that encodes back to the very same
// bytes, so that every line it does not touch survives.
class HiveText {
public:
    explicit HiveText(std::string_view file) {
        if (file.substr(0, kUtf16LeBom.size()) == kUtf16LeBom) {
            m_encoding = HiveEncoding::Utf16Le;
            const std::string_view units = file.substr(kUtf16LeBom.size());
            m_decoded = Utf16LeToUtf8(units);
            m_body = m_decoded;
            std::string again;
            m_rewritable = Utf8ToUtf16Le(m_body, &again) && again == units;
        } else {
            const bool hasBom = file.substr(0, kUtf8Bom.size()) == kUtf8Bom;
            m_encoding = hasBom ? HiveEncoding::Utf8Bom : HiveEncoding::Bytes;
            m_body = file.substr(hasBom ? kUtf8Bom.size() : 0);
            // UTF-16 big-endian has no writer here.
            m_rewritable = file.substr(0, 2) != "\xFE\xFF";
        }
        // No .reg text holds a NUL character: a file that does is in an encoding
        // that this file does not name (UTF-16 without byte-order mark, UTF-32)
        // or not a text at all, and lines added in another encoding would ruin it.
        if (m_body.find('\0') != std::string_view::npos) m_rewritable = false;
    }
    HiveText(const HiveText&) = delete;
    HiveText& operator=(const HiveText&) = delete;

    HiveEncoding encoding() const { return m_encoding; }
    std::string_view body() const { return m_body; }
    bool rewritable() const { return m_rewritable; }

private:
    HiveEncoding m_encoding = HiveEncoding::Bytes;
    std::string m_decoded;
    std::string_view m_body;
    bool m_rewritable = true;
};

// The bytes of a hive file in encoding whose text is body. False when body
// has no form in that encoding.
bool EncodeHiveText(HiveEncoding encoding, std::string_view body, std::string* file) {
    switch (encoding) {
        case HiveEncoding::Bytes:
            file->assign(body);
            return true;
        case HiveEncoding::Utf8Bom:
            file->assign(kUtf8Bom);
            file->append(body);
            return true;
        case HiveEncoding::Utf16Le: {
            std::string units;
            if (!Utf8ToUtf16Le(body, &units)) return false;
            file->assign(kUtf16LeBom);
            file->append(units);
            return true;
        }
    }
    return false;
}

// ---- the .reg syntax ----

bool IsRootOf(std::string_view root, Hive hive) {
    if (hive == Hive::CurrentUser) {
        return EqualsIgnoringCase(root, "HKEY_CURRENT_USER") || EqualsIgnoringCase(root, "HKCU");
    }
    return EqualsIgnoringCase(root, "HKEY_LOCAL_MACHINE") || EqualsIgnoringCase(root, "HKLM");
}

std::string_view RootName(Hive hive) {
    return hive == Hive::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

// [-KEY] removes the key and everything below it. A root cannot be removed.
bool DeletionCovers(std::string_view deletedPath, std::string_view keyPath) {
    if (deletedPath.empty()) return false;
    if (keyPath.size() > deletedPath.size() && keyPath[deletedPath.size()] != '\\') return false;
    return keyPath.size() >= deletedPath.size() &&
           EqualsIgnoringCase(keyPath.substr(0, deletedPath.size()), deletedPath);
}

// A quoted name or text starting at quoted[0] == '"'. \\ and \" are the
// escapes; any other backslash stands for itself. *used is the length up to
// and including the closing quote.
bool DecodeQuoted(std::string_view quoted, std::string* out, std::size_t* used) {
    out->clear();
    for (std::size_t i = 1; i < quoted.size(); ++i) {
        char c = quoted[i];
        if (c == '"') {
            *used = i + 1;
            return true;
        }
        if (c == '\\' && i + 1 < quoted.size() && (quoted[i + 1] == '\\' || quoted[i + 1] == '"')) {
            c = quoted[++i];
        }
        out->push_back(c);
    }
    return false;
}

std::string EncodeQuoted(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') quoted.push_back('\\');
        quoted.push_back(c);
    }
    quoted.push_back('"');
    return quoted;
}

// One to eight hex digits.
bool DecodeHexNumber(std::string_view digits, uint32_t* value) {
    if (digits.empty() || digits.size() > 8) return false;
    uint32_t result = 0;
    for (char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return false;
        result = (result << 4) | static_cast<uint32_t>(digit);
    }
    *value = result;
    return true;
}

// "01,02,ff" (blanks around the bytes and one trailing comma allowed).
bool DecodeHexBytes(std::string_view list, std::vector<unsigned char>* out) {
    out->clear();
    list = TrimBlanks(list);
    if (list.empty()) return true;
    std::size_t position = 0;
    for (;;) {
        const std::size_t comma = list.find(',', position);
        const std::string_view token = TrimBlanks(
            list.substr(position, comma == std::string_view::npos ? comma : comma - position));
        if (token.empty()) return comma == std::string_view::npos && position > 0;
        uint32_t byte = 0;
        if (token.size() > 2 || !DecodeHexNumber(token, &byte)) return false;
        out->push_back(static_cast<unsigned char>(byte));
        if (comma == std::string_view::npos) return true;
        position = comma + 1;
    }
}

std::string EncodeHexBytes(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string list;
    for (unsigned char byte : bytes) {
        if (!list.empty()) list.push_back(',');
        list.push_back(kDigits[byte >> 4]);
        list.push_back(kDigits[byte & 0x0f]);
    }
    return list;
}

enum class ValueAction { Set, Delete, Malformed };

ValueAction DecodeStringData(std::string_view data, HiveValue* out) {
    std::string text;
    std::size_t used = 0;
    if (!DecodeQuoted(data, &text, &used) || !TrimBlanks(data.substr(used)).empty()) {
        return ValueAction::Malformed;
    }
    out->type = kRegSz;
    out->data.assign(text.begin(), text.end());
    out->data.push_back(0);
    return ValueAction::Set;
}

ValueAction DecodeDwordData(std::string_view digits, HiveValue* out) {
    uint32_t number = 0;
    if (!DecodeHexNumber(TrimBlanks(digits), &number)) return ValueAction::Malformed;
    out->type = kRegDword;
    out->data = {static_cast<unsigned char>(number), static_cast<unsigned char>(number >> 8),
                 static_cast<unsigned char>(number >> 16),
                 static_cast<unsigned char>(number >> 24)};
    return ValueAction::Set;
}

// "hex(N):bytes" with N the type in hex.
ValueAction DecodeTypedHexData(std::string_view data, HiveValue* out) {
    const std::size_t close = data.find(')');
    if (close == std::string_view::npos || close + 1 >= data.size() || data[close + 1] != ':') {
        return ValueAction::Malformed;
    }
    if (!DecodeHexNumber(data.substr(0, close), &out->type)) return ValueAction::Malformed;
    return DecodeHexBytes(data.substr(close + 2), &out->data) ? ValueAction::Set
                                                              : ValueAction::Malformed;
}

// What the data after "=" does to the value.
ValueAction DecodeData(std::string_view data, HiveValue* out) {
    if (data == "-") return ValueAction::Delete;
    if (!data.empty() && data.front() == '"') return DecodeStringData(data, out);
    if (StartsWithIgnoringCase(data, "dword:")) return DecodeDwordData(data.substr(6), out);
    if (StartsWithIgnoringCase(data, "hex:")) {
        out->type = kRegBinary;
        return DecodeHexBytes(data.substr(4), &out->data) ? ValueAction::Set
                                                          : ValueAction::Malformed;
    }
    if (StartsWithIgnoringCase(data, "hex(")) return DecodeTypedHexData(data.substr(4), out);
    return ValueAction::Malformed;
}

// ---- scanning a hive text entry by entry ----

enum class EntryKind { KeySection, KeyDeletion, BadSection, Value, Other };

// One logical line of a hive text: a value line with its continuation lines,
// or a single other line.
struct HiveEntry {
    EntryKind kind = EntryKind::Other;
    std::size_t begin = 0;       // first byte of its first line
    std::size_t contentEnd = 0;  // end of its last line, before the line end
    std::size_t end = 0;         // where the next line starts
    // KeySection, KeyDeletion: does the root name this hive, and the path after it.
    bool inHive = false;
    std::string_view keyPath;
    // Value
    bool wellFormed = false;  // a name, "=" and (for hex) complete continuation lines
    std::string name;
    std::string_view data;  // after "=", continuation lines joined
    std::string joined;     // holds data when it spans lines
};

class HiveScanner {
public:
    HiveScanner(std::string_view text, Hive hive) : m_text(text), m_hive(hive) {}
    // The next entry, or null at the end. Valid until the next call.
    const HiveEntry* Next();

private:
    void ReadSection(std::string_view line);
    void ReadValue(std::string_view line);
    void JoinContinuationLines();
    std::string_view Content(const TextLine& line) const {
        return m_text.substr(line.begin, line.contentEnd - line.begin);
    }

    std::string_view m_text;
    Hive m_hive;
    std::size_t m_position = 0;
    HiveEntry m_entry;
};

const HiveEntry* HiveScanner::Next() {
    TextLine line;
    if (!NextTextLine(m_text, &m_position, &line)) return nullptr;
    m_entry.kind = EntryKind::Other;
    m_entry.begin = line.begin;
    m_entry.contentEnd = line.contentEnd;
    m_entry.end = line.end;
    const std::string_view content = TrimBlanks(Content(line));
    if (content.empty()) return &m_entry;
    if (content.front() == '[') {
        ReadSection(content);
    } else if (content.front() == '"' || content.front() == '@') {
        ReadValue(content);
    }
    return &m_entry;
}

void HiveScanner::ReadSection(std::string_view line) {
    if (line.size() < 2 || line.back() != ']') {
        m_entry.kind = EntryKind::BadSection;
        return;
    }
    std::string_view inside = line.substr(1, line.size() - 2);
    m_entry.kind = EntryKind::KeySection;
    if (!inside.empty() && inside.front() == '-') {
        m_entry.kind = EntryKind::KeyDeletion;
        inside.remove_prefix(1);
    }
    const std::size_t separator = inside.find('\\');
    m_entry.inHive = IsRootOf(inside.substr(0, separator), m_hive);
    m_entry.keyPath =
        separator == std::string_view::npos ? std::string_view() : inside.substr(separator + 1);
}

void HiveScanner::ReadValue(std::string_view line) {
    m_entry.kind = EntryKind::Value;
    m_entry.wellFormed = false;
    m_entry.name.clear();
    m_entry.data = {};
    std::string_view rest = line;
    if (rest.front() == '@') {
        rest.remove_prefix(1);
    } else {
        std::size_t used = 0;
        if (!DecodeQuoted(rest, &m_entry.name, &used)) return;
        rest.remove_prefix(used);
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != '=') return;
    m_entry.wellFormed = true;
    m_entry.data = TrimLeft(rest.substr(1));
    if (StartsWithIgnoringCase(m_entry.data, "hex") && m_entry.data.back() == '\\') {
        JoinContinuationLines();
    }
}

// A hex list ending in "\" goes on with the next line. A next line that
// cannot be part of a hex list is not swallowed: it stays a line of its own
// (a section header, say) and the cut-off value is malformed.
void HiveScanner::JoinContinuationLines() {
    m_entry.joined.assign(m_entry.data.substr(0, m_entry.data.size() - 1));
    for (;;) {
        std::size_t next = m_position;
        TextLine line;
        if (!NextTextLine(m_text, &next, &line)) break;
        const std::string_view more = TrimBlanks(Content(line));
        if (more.empty() || HexDigitValue(more.front()) < 0) break;
        m_position = next;
        m_entry.contentEnd = line.contentEnd;
        m_entry.end = line.end;
        if (more.back() != '\\') {
            m_entry.joined.append(more);
            m_entry.data = m_entry.joined;
            return;
        }
        m_entry.joined.append(more.substr(0, more.size() - 1));
    }
    m_entry.wellFormed = false;
}

bool IsValueOf(const HiveEntry& entry, std::string_view valueName) {
    return entry.kind == EntryKind::Value && entry.wellFormed &&
           EqualsIgnoringCase(entry.name, valueName);
}

// ---- editing a hive text ----

// Where a value's line goes: over its last line in the key's last live
// section, else after that section's last value line, else in a new section.
struct EditPlan {
    bool haveSection = false;
    std::size_t insertAt = 0;
    bool haveValueLine = false;
    std::size_t valueBegin = 0;
    std::size_t valueContentEnd = 0;
    std::string valueName;  // as the file spells it
};

EditPlan PlanEdit(std::string_view text, Hive hive, std::string_view keyPath,
                  std::string_view valueName) {
    EditPlan plan;
    bool inKey = false;
    HiveScanner scanner(text, hive);
    HiveValue scratch;
    while (const HiveEntry* entry = scanner.Next()) {
        switch (entry->kind) {
            case EntryKind::KeySection:
                inKey = entry->inHive && EqualsIgnoringCase(entry->keyPath, keyPath);
                if (inKey) {
                    plan = EditPlan();
                    plan.haveSection = true;
                    plan.insertAt = entry->end;
                }
                break;
            case EntryKind::KeyDeletion:
                inKey = false;
                if (entry->inHive && DeletionCovers(entry->keyPath, keyPath)) plan = EditPlan();
                break;
            case EntryKind::BadSection:
                inKey = false;
                break;
            case EntryKind::Value:
                if (!inKey) break;
                plan.insertAt = entry->end;
                if (IsValueOf(*entry, valueName) &&
                    DecodeData(entry->data, &scratch) != ValueAction::Malformed) {
                    plan.haveValueLine = true;
                    plan.valueBegin = entry->begin;
                    plan.valueContentEnd = entry->contentEnd;
                    plan.valueName = entry->name;
                }
                break;
            case EntryKind::Other:
                break;
        }
    }
    return plan;
}

std::string FormatValueLine(std::string_view name, std::string_view text) {
    std::string line = name.empty() ? std::string("@") : EncodeQuoted(name);
    line += '=';
    if (HasLineBreak(text)) {
        // A quoted text cannot span lines; hex(1) holds the same REG_SZ bytes.
        line += "hex(1):";
        line += EncodeHexBytes(text);
        line += text.empty() ? "00" : ",00";
    } else {
        line += EncodeQuoted(text);
    }
    return line;
}

std::string FormatSection(Hive hive, std::string_view keyPath, std::string_view valueLine,
                          std::string_view lineEnd) {
    std::string section = "[";
    section += RootName(hive);
    if (!keyPath.empty()) {
        section += '\\';
        section += keyPath;
    }
    section += ']';
    section += lineEnd;
    section += valueLine;
    section += lineEnd;
    return section;
}

// The body of a hive file (without BOM) after storing the value. A body
// without a line end of its own gets newLineEnd.
std::string EditedBody(std::string_view body, Hive hive, std::string_view keyPath,
                       std::string_view valueName, std::string_view text,
                       std::string_view newLineEnd) {
    const std::string_view lineEnd =
        body.find('\n') != std::string_view::npos ? LineEndOf(body) : newLineEnd;
    if (body.empty()) {
        std::string fresh(kFileHeader);
        fresh += lineEnd;
        fresh += lineEnd;
        return fresh + FormatSection(hive, keyPath, FormatValueLine(valueName, text), lineEnd);
    }
    const EditPlan plan = PlanEdit(body, hive, keyPath, valueName);
    if (plan.haveValueLine) {
        std::string edited(body.substr(0, plan.valueBegin));
        edited += FormatValueLine(plan.valueName, text);
        edited += body.substr(plan.valueContentEnd);
        return edited;
    }
    const std::string valueLine = FormatValueLine(valueName, text);
    if (plan.haveSection) return WithLineInserted(body, plan.insertAt, valueLine, lineEnd);
    return WithBlankLineAtEnd(body, lineEnd) + FormatSection(hive, keyPath, valueLine, lineEnd);
}

// The body of a hive file without the lines that set the value in the
// key's sections after the key was last deleted (a value line with its
// continuation lines goes whole). Deletion marks ("Name"=-) and malformed
// lines of the same name stay, as every other byte does.
std::string BodyWithoutValue(std::string_view body, Hive hive, std::string_view keyPath,
                             std::string_view valueName) {
    struct Range {
        std::size_t begin;
        std::size_t end;
    };
    std::vector<Range> setters;
    bool inKey = false;
    HiveScanner scanner(body, hive);
    HiveValue scratch;
    while (const HiveEntry* entry = scanner.Next()) {
        switch (entry->kind) {
            case EntryKind::KeySection:
                inKey = entry->inHive && EqualsIgnoringCase(entry->keyPath, keyPath);
                break;
            case EntryKind::KeyDeletion:
                inKey = false;
                if (entry->inHive && DeletionCovers(entry->keyPath, keyPath)) setters.clear();
                break;
            case EntryKind::BadSection:
                inKey = false;
                break;
            case EntryKind::Value:
                if (inKey && IsValueOf(*entry, valueName) &&
                    DecodeData(entry->data, &scratch) == ValueAction::Set) {
                    setters.push_back({entry->begin, entry->end});
                }
                break;
            case EntryKind::Other:
                break;
        }
    }
    std::string edited;
    std::size_t kept = 0;
    for (const Range& line : setters) {
        edited += body.substr(kept, line.begin - kept);
        kept = line.end;
    }
    edited += body.substr(kept);
    return edited;
}

bool HoldsString(std::string_view fileText, Hive hive, std::string_view keyPath,
                 std::string_view valueName, std::string_view text) {
    HiveValue value;
    if (!FindHiveValue(fileText, hive, keyPath, valueName, &value)) return false;
    return value.type == kRegSz && value.data.size() == text.size() + 1 &&
           std::memcmp(value.data.data(), text.data(), text.size()) == 0 && value.data.back() == 0;
}

}  // namespace

// ---- the hive ----

std::string HiveFilePath(Hive hive) {
    if (hive == Hive::LocalMachine) {
        const char* machine = std::getenv("ARO_PRINTER_HKLM");
        return machine ? machine : "/etc/aro-printer/machine.reg";
    }
    if (hive != Hive::CurrentUser) return {};
    // Set, even to nothing, the variable decides: an empty name is no file,
    // as for the machine hive.
    const char* user = std::getenv("ARO_PRINTER_HKCU");
    if (user) return user;
    std::string config;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (configHome && configHome[0] == '/') {
        config = configHome;
    } else if (home && *home) {
        config = std::string(home) + "/.config";
    } else if (auto accountHome = EffectiveUserHome()) {
        config = *accountHome + "/.config";
    } else {
        return {};
    }
    return config + "/aro-printer/user.reg";
}

bool FindHiveValue(std::string_view fileText, Hive hive, std::string_view keyPath,
                   std::string_view valueName, HiveValue* out) {
    bool inKey = false;
    bool found = false;
    HiveValue value;
    HiveValue candidate;
    const HiveText decoded(fileText);
    HiveScanner scanner(decoded.body(), hive);
    while (const HiveEntry* entry = scanner.Next()) {
        switch (entry->kind) {
            case EntryKind::KeySection:
                inKey = entry->inHive && EqualsIgnoringCase(entry->keyPath, keyPath);
                break;
            case EntryKind::KeyDeletion:
                inKey = false;
                if (entry->inHive && DeletionCovers(entry->keyPath, keyPath)) found = false;
                break;
            case EntryKind::BadSection:
                // Its values must not land in the key before it.
                inKey = false;
                break;
            case EntryKind::Value:
                if (!inKey || !IsValueOf(*entry, valueName)) break;
                switch (DecodeData(entry->data, &candidate)) {
                    case ValueAction::Set:
                        found = true;
                        std::swap(value, candidate);
                        break;
                    case ValueAction::Delete:
                        found = false;
                        break;
                    case ValueAction::Malformed:
                        break;
                }
                break;
            case EntryKind::Other:
                break;
        }
    }
    if (found && out != nullptr) *out = std::move(value);
    return found;
}

bool ReadHiveValue(const std::string& hiveFile, Hive hive, const char* keyPath,
                   const char* valueName, unsigned char* data, uint32_t* size) {
    if (size == nullptr) return false;
    std::string text;
    if (ReadRegularFile(hiveFile, &text) != FileReadResult::Read) return false;
    HiveValue value;
    if (!FindHiveValue(text, hive, keyPath ? keyPath : "", valueName ? valueName : "", &value)) {
        return false;
    }
    if (value.data.size() > UINT32_MAX) return false;
    const auto count = static_cast<uint32_t>(value.data.size());
    if (data != nullptr) {
        if (count > *size) return false;
        if (count > 0) std::memcpy(data, value.data.data(), count);
    }
    *size = count;
    return true;
}

// An administrator may link the hive file to a shared one: the edit goes to
// the file the link names, and the link stays.
static std::string ResolveLink(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

// The steps every edit of a hive file shares. holdsResult tells whether a
// file text already says what the edit is to achieve (such a file is left
// alone, without the lock); edit turns the body of the file into the edited
// body, newLineEnd being the line end for a body that has none yet. A
// missing file is created only when createMissing is set; otherwise it
// already holds the result.
using HiveBodyEdit = std::function<std::string(std::string_view body, std::string_view newLineEnd)>;
using HiveResultCheck = std::function<bool(std::string_view fileText)>;

static bool RewriteHive(const std::string& linkedHiveFile, bool createMissing,
                        const HiveResultCheck& holdsResult, const HiveBodyEdit& edit) {
    const std::string hiveFile = ResolveLink(linkedHiveFile);
    if (hiveFile.empty() || hiveFile.back() == '/') return false;

    // A look without the lock first (the file is only ever replaced whole): a
    // file that already holds the result needs no write and no lock, and one
    // that could not be written back is left alone.
    std::string old;
    struct stat oldInfo {};
    FileReadResult read = ReadRegularFile(hiveFile, &old, &oldInfo);
    if (read == FileReadResult::Failed) return false;
    if (read == FileReadResult::Missing && !createMissing) return true;
    if (read == FileReadResult::Read) {
        if (holdsResult(old)) return true;
        if (!HiveText(old).rewritable()) return false;
    }

    if (!MakeFolders(FolderOf(hiveFile))) return false;
    // A lock held too long (a hung writer, another user's process) skips the
    // write instead of holding up the job.
    LockFile lock;
    if (!lock.Acquire(hiveFile + ".lock", kHiveLockWait)) return false;

    read = ReadRegularFile(hiveFile, &old, &oldInfo);
    if (read == FileReadResult::Failed) return false;
    if (read == FileReadResult::Missing) {
        if (!createMissing) return true;
        old.clear();
    }
    const HiveText current(old);
    if (!current.rewritable()) return false;
    const std::string_view newLineEnd = current.encoding() == HiveEncoding::Utf16Le ? "\r\n" : "\n";
    std::string updated;
    if (!EncodeHiveText(current.encoding(), edit(current.body(), newLineEnd), &updated)) {
        return false;
    }
    // Whatever the old text held, never store a file that does not say what was asked.
    if (!holdsResult(updated)) return false;
    if (read == FileReadResult::Read && updated == old) return true;
    return ReplaceFileAtomically(hiveFile, updated,
                                 read == FileReadResult::Read ? &oldInfo : nullptr);
}

bool WriteHiveString(const std::string& hiveFile, Hive hive, const char* keyPath,
                     const char* valueName, const char* text) {
    if (text == nullptr) return false;
    const std::string_view key = keyPath ? keyPath : "";
    const std::string_view name = valueName ? valueName : "";
    if (HasLineBreak(key) || HasLineBreak(name)) return false;
    return RewriteHive(
        hiveFile, true,
        [&](std::string_view fileText) { return HoldsString(fileText, hive, key, name, text); },
        [&](std::string_view body, std::string_view newLineEnd) {
            return EditedBody(body, hive, key, name, text, newLineEnd);
        });
}

bool DeleteHiveValue(const std::string& hiveFile, Hive hive, const char* keyPath,
                     const char* valueName) {
    const std::string_view key = keyPath ? keyPath : "";
    const std::string_view name = valueName ? valueName : "";
    if (HasLineBreak(key) || HasLineBreak(name)) return false;
    return RewriteHive(
        hiveFile, false,
        [&](std::string_view fileText) {
            return !FindHiveValue(fileText, hive, key, name, nullptr);
        },
        [&](std::string_view body, std::string_view) {
            return BodyWithoutValue(body, hive, key, name);
        });
}

}  // namespace aro::posix
