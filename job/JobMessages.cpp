#include "job/JobMessages.h"

#include "base/TextValue.h"
#include "job/JobContext.h"
#include "platform/Platform.h"

namespace aro {

void ShowCannotOpenTiffMessage() {
    TextValue text = TextValue("Cannot open TIFF file in the directory \"") + g_job.names.printDir +
                     "\".\n\nCheck to make sure this directory exists and to have enough "
                     "rights.";
    GetPlatform().ShowMessage(text.c_str(), "ARO Printer", kMessageBoxOk);
}

}  // namespace aro
