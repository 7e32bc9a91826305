#include "BenchInputs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "BenchDocuments.h"
#include "ChildProgram.h"
#include "PnmReader.h"

namespace aro::bench {

namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Stores a document unless the cache holds it already; a changed document
// invalidates what was rendered from it (every file named stem.*).
bool StoreDocument(const std::string& path, const std::string& text,
                   const std::vector<std::string>& derived, std::string* error) {
    if (Exists(path) && ReadWhole(path) == text) return true;
    for (const std::string& file : derived) unlink(file.c_str());
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) *error = "cannot write " + path;
    return static_cast<bool>(out);
}

bool RunGhostscript(std::vector<std::string> arguments, std::string* error) {
    std::vector<std::string> argv = {"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string failure;
    host::ChildProgram::Streams streams;
    if (host::RunProgram(argv, streams, nullptr, &failure) == 0) return true;
    *error = "Ghostscript failed: " + (failure.empty() ? argv.back() : failure);
    return false;
}

bool RenderOnce(const std::string& output, std::vector<std::string> arguments, std::string* error) {
    if (Exists(output)) return true;
    // Rendered beside its final name, so that an interrupted run leaves no
    // cut-short file behind that a later run would take as done.
    const std::string partial = output + ".partial";
    arguments.insert(arguments.begin(), "-sOutputFile=" + partial);
    if (!RunGhostscript(arguments, error)) return false;
    return rename(partial.c_str(), output.c_str()) == 0;
}

bool LoadPage(const std::string& path, int format, host::PrintBitmap* page, std::string* error) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    host::RasterImage raster;
    const host::PnmRead read = host::ReadPnmImage(in, &raster, error);
    std::fclose(in);
    if (read != host::PnmRead::Image) {
        *error = path + ": " + *error;
        return false;
    }
    *page = host::ToPrintBitmap(raster, format);
    return true;
}

}  // namespace

bool PrepareInputs(const std::string& cacheDir, const std::string& letterheadSource,
                   BenchInputs* inputs, std::string* error) {
    std::error_code created;
    std::filesystem::create_directories(cacheDir, created);
    if (created) {
        *error = "cannot create " + cacheDir + ": " + created.message();
        return false;
    }
    const std::string dpi = "-r" + std::to_string(kBenchDpi);
    const std::string text = cacheDir + "/text";
    const std::string colour = cacheDir + "/colour";
    inputs->textPdf = text + ".pdf";
    inputs->linkedPdf = cacheDir + "/linked.pdf";
    inputs->monoLetterhead = cacheDir + "/letterhead-1.tif";
    inputs->colourLetterhead = cacheDir + "/letterhead-colour-1.tif";
    const std::string textPage = text + "-1.pbm";
    const std::string colourPage = colour + ".ppm";

    if (!StoreDocument(text + ".ps", DenseTextDocument(), {inputs->textPdf, textPage}, error) ||
        !StoreDocument(colour + ".ps", ColourDocument(), {colourPage}, error) ||
        !StoreDocument(cacheDir + "/linked.ps", LinkedTextDocument(), {inputs->linkedPdf}, error))
        return false;
    // The PDF is what a user prints; the bench pages come from it too.
    const bool rendered =
        RenderOnce(inputs->textPdf, {"-sDEVICE=pdfwrite", "-f", text + ".ps"}, error) &&
        RenderOnce(inputs->linkedPdf, {"-sDEVICE=pdfwrite", "-f", cacheDir + "/linked.ps"},
                   error) &&
        RenderOnce(textPage,
                   {"-sDEVICE=pbmraw", dpi, "-dFirstPage=1", "-dLastPage=1", "-f", inputs->textPdf},
                   error) &&
        RenderOnce(colourPage, {"-sDEVICE=ppmraw", dpi, "-f", colour + ".ps"}, error) &&
        RenderOnce(
            inputs->monoLetterhead,
            {"-sDEVICE=tiffg4", dpi, "-dFirstPage=1", "-dLastPage=1", "-f", letterheadSource},
            error) &&
        RenderOnce(inputs->colourLetterhead,
                   {"-sDEVICE=tiff24nc", dpi, "-sCompression=lzw", "-dLetterheadColour",
                    "-dFirstPage=1", "-dLastPage=1", "-f", letterheadSource},
                   error);
    return rendered && LoadPage(textPage, ARO_BITMAP_MONOCHROME, &inputs->textPage, error) &&
           LoadPage(colourPage, ARO_BITMAP_COLOUR, &inputs->colourPage, error);
}

}  // namespace aro::bench
