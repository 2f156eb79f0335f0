#pragma once
// Where the driver's own lines go. On Windows vorndrv.exe is a GUI program: it
// has no console of its own, so it borrows the one it was started from, and
// with none its lines go into a file a technician finds in the folder.
#include <string>

namespace vorn {

// First thing in main: standard streams redirected by the parent stay as they
// are; the others write to the parent's console when there is one.
void AttachParentStreams();

// Once the program folder is known: when standard error leads nowhere, it is
// appended to Log\vorndrv.txt there (the file before it kept as
// vorndrv.old.txt once it passes 1 MiB).
void KeepLinesInFolder(const std::string& folder);

}  // namespace vorn
