// Standard input as a document: its first bytes are read ahead to tell its
// type, and handed out again in front of the rest.
#pragma once

#include <cstdio>
#include <string>

#include "InputType.h"

namespace aro::host {

// The type the first bytes announce; Unknown with error set when the input
// is empty, unreadable or of no known type.
InputType PeekStandardInputType(std::string* error);

// Standard input from its first byte, the bytes read ahead included; one
// stream for the process.
std::FILE* StandardInputStream();

}  // namespace aro::host
