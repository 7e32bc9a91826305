// Where the job's files go: the folder named through AlternateKey, or the
// one recorded by an archive client installation.
#pragma once

#include "base/TextValue.h"

namespace aro {

// The output folder without a trailing separator, or the empty text when
// none is configured. Folders from the client options are created (with
// their "PrintToArchive" subfolder) when missing.
TextValue ResolveOutputFolder();

}  // namespace aro
