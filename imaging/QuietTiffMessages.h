// libtiff's default handlers print every warning and error to stderr. The
// background loader reads files written by any program, and a background
// that cannot be used is reported through its result; the module has no
// console to print to.
#pragma once

namespace aro {

// Replaces libtiff's warning and error handlers, for the whole process, by
// ones that print nothing. The first call does it; later calls leave the
// handlers as they are.
void SilenceTiffMessages();

}  // namespace aro
