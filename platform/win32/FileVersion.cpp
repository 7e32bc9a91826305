#include "platform/win32/FileVersion.h"

#include <vector>

#include "platform/win32/WindowsApi.h"

namespace aro::win32 {

bool ReadFileVersionParts(const char* path, uint16_t parts[4]) {
    if (path == nullptr || parts == nullptr) return false;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return false;
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoA(path, 0, size, block.data())) return false;
    void* root = nullptr;
    UINT rootSize = 0;
    if (!VerQueryValueA(block.data(), "\\", &root, &rootSize) || root == nullptr ||
        rootSize < sizeof(VS_FIXEDFILEINFO))
        return false;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(root);
    parts[0] = HIWORD(info->dwFileVersionMS);
    parts[1] = LOWORD(info->dwFileVersionMS);
    parts[2] = HIWORD(info->dwFileVersionLS);
    parts[3] = LOWORD(info->dwFileVersionLS);
    return true;
}

}  // namespace aro::win32
