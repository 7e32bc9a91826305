// The module's fixed version record, embedded in the library file so that
// the version can be read from the file's bytes without loading it. Here,
// below both, because the module writes it and the platform reads it.
//
// Layout: the marker "VS_VERSION_INFO" with its terminator (16 bytes), then
// a VS_FIXEDFILEINFO of thirteen little-endian 32-bit words, as a Windows
// version resource carries it.
#pragma once

#include <cstdint>

namespace aro {

constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BDu;
constexpr uint32_t kFixedFileInfoStrucVersion = 0x00010000u;
constexpr char kVersionMarker[] = "VS_VERSION_INFO";  // 15 characters + terminator

struct FixedFileInfo {
    uint32_t dwSignature;
    uint32_t dwStrucVersion;
    uint32_t dwFileVersionMS;
    uint32_t dwFileVersionLS;
    uint32_t dwProductVersionMS;
    uint32_t dwProductVersionLS;
    uint32_t dwFileFlagsMask;
    uint32_t dwFileFlags;
    uint32_t dwFileOS;
    uint32_t dwFileType;
    uint32_t dwFileSubtype;
    uint32_t dwFileDateMS;
    uint32_t dwFileDateLS;
};

struct EmbeddedVersionRecord {
    char marker[16];
    FixedFileInfo info;
};

}  // namespace aro
