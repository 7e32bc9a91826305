#include "platform/VersionResource.h"

#ifndef ARO_VERSION_MAJOR
#error "the build passes the project version as ARO_VERSION_MAJOR/MINOR/PATCH/TWEAK"
#endif

namespace aro {

// Kept in the file even though no code reads it: the version record is read
// from the installed file's bytes. The build is little-endian (x86-64, ARM64).
extern "C" __attribute__((used, visibility("hidden")))
const EmbeddedVersionRecord aro_embedded_version_record = {
    "VS_VERSION_INFO",
    {kFixedFileInfoSignature, kFixedFileInfoStrucVersion,
     (ARO_VERSION_MAJOR << 16) | ARO_VERSION_MINOR, (ARO_VERSION_PATCH << 16) | ARO_VERSION_TWEAK,
     (ARO_VERSION_MAJOR << 16) | ARO_VERSION_MINOR, (ARO_VERSION_PATCH << 16) | ARO_VERSION_TWEAK,
     0x3Fu, 0u, 0x00040004u /* VOS_NT_WINDOWS32 */, 2u /* VFT_DLL */, 0u, 0u, 0u}};

}  // namespace aro
