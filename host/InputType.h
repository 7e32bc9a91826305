// Recognises an input file by its first bytes, never by its name.
#pragma once

#include <cstddef>
#include <string>

namespace aro::host {

enum class InputType { Unknown, Pdf, PostScript, Pnm, Tiff };

const char* InputTypeName(InputType type);

// The type that the leading bytes of a file announce.
InputType DetectInputType(const unsigned char* head, size_t length);

struct InputProbe {
    bool readable = false;
    std::string error;  // why the file cannot be printed
    InputType type = InputType::Unknown;
};

// Opens the file, checks that it is a readable regular file of a known type.
InputProbe ProbeInput(const std::string& path);

}  // namespace aro::host
