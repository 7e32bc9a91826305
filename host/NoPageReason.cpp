#include "NoPageReason.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace aro::host {

bool PdfIsEncrypted(const std::string& path) {
    static constexpr char kKey[] = "/Encrypt";
    constexpr size_t kKeyLength = sizeof kKey - 1;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    // Each read keeps the previous chunk's last bytes, for a key cut in two.
    std::vector<char> buffer(1 << 16);
    size_t kept = 0, got;
    bool found = false;
    while (!found && (got = std::fread(buffer.data() + kept, 1, buffer.size() - kept, file)) > 0) {
        size_t length = kept + got;
        for (size_t i = 0; !found && i + kKeyLength <= length; ++i)
            found = std::memcmp(buffer.data() + i, kKey, kKeyLength) == 0;
        kept = length < kKeyLength - 1 ? length : kKeyLength - 1;
        std::memmove(buffer.data(), buffer.data() + length - kept, kept);
    }
    std::fclose(file);
    return found;
}

std::string NoPageReason(const std::string& path, InputType type, bool passwordGiven) {
    if (type != InputType::Pdf) return "the document has no pages";
    if (!PdfIsEncrypted(path)) return "the PDF is damaged: no page of it could be read";
    return passwordGiven ? "the PDF is encrypted and the password given does not open it"
                         : "the PDF is encrypted and needs a password: use --password";
}

}  // namespace aro::host
