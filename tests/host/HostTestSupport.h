// Runs the built aro-print in a sandbox and makes its inputs: PNM, TIFF,
// PostScript and PDF files, and Ghostscript's own renders to compare with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ModuleHarness.h"
#include "RasterImage.h"
#include "common/TiffInspect.h"

namespace aro::hosttest {

using itest::Sandbox;

struct HostRun {
    int exitCode = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs aro-print with arguments in folder (default: the sandbox's root),
// with the sandbox's hives, temporary and system folders.
HostRun RunAroPrint(const Sandbox& box, const std::vector<std::string>& arguments,
                    const std::string& folder = "");

// Runs a program to its end, standard output and error discarded; its exit
// status.
int RunQuietly(const std::vector<std::string>& argv, const std::string& folder = "");

void WriteFile(const std::string& path, const std::string& content);

// PNM encodings of a raster: P4, P5 or P6 by its kind.
std::string EncodePnm(const host::RasterImage& image);

// Test patterns. A bilevel page of crossing stripes and dots (set bit =
// black); a colour page with a red block on white; a grey ramp.
host::RasterImage BilevelPattern(uint32_t width, uint32_t height, int seed);
host::RasterImage ColourBlockPage(uint32_t width, uint32_t height);
host::RasterImage GreyRamp(uint32_t width, uint32_t height);

// Writes one TIFF directory per image: bilevel ones MinIsWhite, Group 4;
// RGB ones uncompressed; with a resolution when xDpi is given.
bool WriteTiff(const std::string& path, const std::vector<host::RasterImage>& pages, float xDpi = 0,
               float yDpi = 0);

// A PDF of pages of 200 x 150 points, each showing its text in Helvetica
// and a black bar.
std::string MakePdf(const std::vector<std::string>& pageTexts);

// Ghostscript's 1-bit render of a document: the reference for --mono.
std::vector<host::RasterImage> GhostscriptBitmaps(const std::string& path, int dpi);

// The TIFF files in a folder, full paths, sorted.
std::vector<std::string> TiffFiles(const Sandbox& box, const std::string& folder);

// The pages of the one TIFF file in the output folder (a failure when there
// is not exactly one).
std::vector<test::TiffPage> OnlyOutput(const Sandbox& box);

// The bilevel page as a TIFF reader gives it: rows of packed bits, set bit
// = black, (width + 7) / 8 bytes each.
bool SameBilevelPixels(const test::TiffPage& stored, const host::RasterImage& expected,
                       std::string* difference);

}  // namespace aro::hosttest
