// Hands the finished file to the Java archive client ("jniwrapper.arocomserver").
#pragma once

namespace aro {

// True when IsJavaClient is "1" (the user's value, else the machine's).
bool IsJavaClient();
// Files the TIFF file into the archive, then deletes it and the .grp file.
void PrintToArchiveJava();
// Puts the TIFF file into the user's in-tray; keeps the files.
void PrintToIntrayJava();

}  // namespace aro
