#include "HostTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>

#include "PnmReader.h"

extern char** environ;

namespace aro::hosttest {

namespace {

std::vector<std::string> SandboxEnvironment(const Sandbox& box) {
    const std::set<std::string> replaced = {"ARO_PRINTER_HKCU", "ARO_PRINTER_HKLM", "TMPDIR",
                                            "ARO_PRINTER_SYSTEM_DIR"};
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        if (!replaced.count(entry.substr(0, entry.find('=')))) environment.push_back(entry);
    }
    environment.push_back("ARO_PRINTER_HKCU=" + box.userHive());
    environment.push_back("ARO_PRINTER_HKLM=" + box.machineHive());
    environment.push_back("TMPDIR=" + box.tempDir());
    environment.push_back("ARO_PRINTER_SYSTEM_DIR=" + box.systemDir());
    return environment;
}

// Spawns argv with standard output and error into files; the exit status.
int Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
          const std::string& folder, const std::string& outPath, const std::string& errPath) {
    std::vector<char*> args, env;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : environment) env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid;
    int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void SetBlack(host::RasterImage* image, uint32_t x, uint32_t y) {
    image->row(y)[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
}

}  // namespace

HostRun RunAroPrint(const Sandbox& box, const std::vector<std::string>& arguments,
                    const std::string& folder) {
    std::vector<std::string> argv = {ARO_PRINT_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    HostRun run;
    std::string out = box.root() + "/aro-print.out", err = box.root() + "/aro-print.err";
    run.exitCode =
        Spawn(argv, SandboxEnvironment(box), folder.empty() ? box.root() : folder, out, err);
    run.out = itest::ReadFile(out);
    run.err = itest::ReadFile(err);
    unlink(out.c_str());
    unlink(err.c_str());
    return run;
}

int RunQuietly(const std::vector<std::string>& argv, const std::string& folder) {
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) environment.push_back(*e);
    return Spawn(argv, environment, folder, "/dev/null", "/dev/null");
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string EncodePnm(const host::RasterImage& image) {
    char format = image.kind == host::PixelKind::Bilevel ? '4'
                  : image.kind == host::PixelKind::Grey  ? '5'
                                                         : '6';
    std::string header = std::string("P") + format + "\n# test page\n" +
                         std::to_string(image.width) + " " + std::to_string(image.height) + "\n";
    if (format != '4') header += "255\n";
    return header + std::string(image.pixels.begin(), image.pixels.end());
}

host::RasterImage BilevelPattern(uint32_t width, uint32_t height, int seed) {
    host::RasterImage image;
    image.width = width, image.height = height, image.kind = host::PixelKind::Bilevel;
    image.pixels.assign(image.rowBytes() * height, 0);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            if ((x / 5 + y / 3 + static_cast<uint32_t>(seed)) % 4 == 0 || (x * y + seed) % 13 == 0)
                SetBlack(&image, x, y);
    return image;
}

host::RasterImage ColourBlockPage(uint32_t width, uint32_t height) {
    host::RasterImage image;
    image.width = width, image.height = height, image.kind = host::PixelKind::Rgb;
    image.pixels.assign(image.rowBytes() * height, 255);
    for (uint32_t y = height / 4; y < height / 2; ++y)
        for (uint32_t x = width / 4; x < width / 2; ++x) {
            unsigned char* pixel = image.row(y) + 3 * x;
            pixel[0] = 230, pixel[1] = 20, pixel[2] = 30;
        }
    return image;
}

host::RasterImage GreyRamp(uint32_t width, uint32_t height) {
    host::RasterImage image;
    image.width = width, image.height = height, image.kind = host::PixelKind::Grey;
    image.pixels.resize(image.rowBytes() * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) image.row(y)[x] = static_cast<unsigned char>(x % 256);
    return image;
}

bool WriteTiff(const std::string& path, const std::vector<host::RasterImage>& pages, float xDpi,
               float yDpi) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) return false;
    bool ok = true;
    for (const host::RasterImage& page : pages) {
        bool bilevel = page.kind == host::PixelKind::Bilevel;
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, page.width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, page.height);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bilevel ? 1 : 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, page.kind == host::PixelKind::Rgb ? 3 : 1);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                     bilevel                              ? PHOTOMETRIC_MINISWHITE
                     : page.kind == host::PixelKind::Grey ? PHOTOMETRIC_MINISBLACK
                                                          : PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, bilevel ? COMPRESSION_CCITTFAX4 : COMPRESSION_NONE);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, page.height);
        if (xDpi > 0) {
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, xDpi);
            TIFFSetField(tiff, TIFFTAG_YRESOLUTION, yDpi);
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        }
        for (uint32_t y = 0; y < page.height && ok; ++y)
            ok = TIFFWriteScanline(tiff, const_cast<unsigned char*>(page.row(y)), y, 0) == 1;
        ok = ok && TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
    return ok;
}

std::string MakePdf(const std::vector<std::string>& pageTexts) {
    const size_t pages = pageTexts.size();
    // Objects: 1 catalog, 2 page tree, 3 font, then a page and its content
    // for each page.
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", "",
                                        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    std::string kids;
    for (size_t i = 0; i < pages; ++i) {
        size_t page = 4 + 2 * i;
        kids += std::to_string(page) + " 0 R ";
        objects.push_back(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 150] /Resources "
            "<< /Font << /F1 3 0 R >> >> /Contents " +
            std::to_string(page + 1) + " 0 R >>");
        std::string content = "BT /F1 16 Tf 20 100 Td (" + pageTexts[i] +
                              ") Tj ET\n0 0 0 rg 20 20 " + std::to_string(40 + 30 * i) +
                              " 25 re f\n";
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" +
                          content + "endstream");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::vector<host::RasterImage> GhostscriptBitmaps(const std::string& path, int dpi) {
    std::string reference = path + ".reference.pbm";
    std::vector<host::RasterImage> pages;
    if (RunQuietly({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pbmraw",
                    "-r" + std::to_string(dpi), "-sOutputFile=" + reference, path}) != 0)
        return pages;
    std::FILE* in = std::fopen(reference.c_str(), "rb");
    host::RasterImage page;
    std::string error;
    while (in && host::ReadPnmImage(in, &page, &error) == host::PnmRead::Image)
        pages.push_back(page);
    if (in) std::fclose(in);
    return pages;
}

std::vector<std::string> TiffFiles(const Sandbox& box, const std::string& folder) {
    std::vector<std::string> paths;
    for (const std::string& name : box.Files(folder, ".TIF")) paths.push_back(folder + "/" + name);
    return paths;
}

bool SameBilevelPixels(const test::TiffPage& stored, const host::RasterImage& expected,
                       std::string* difference) {
    if (stored.width != expected.width || stored.rows.size() != expected.height) {
        *difference = "size " + std::to_string(stored.width) + "x" +
                      std::to_string(stored.rows.size()) + ", expected " +
                      std::to_string(expected.width) + "x" + std::to_string(expected.height);
        return false;
    }
    for (uint32_t y = 0; y < expected.height; ++y)
        for (uint32_t x = 0; x < expected.width; ++x) {
            int want = (expected.row(y)[x / 8] >> (7 - x % 8)) & 1;
            int got = (stored.rows[y][x / 8] >> (7 - x % 8)) & 1;
            if (want != got) {
                *difference = "pixel " + std::to_string(x) + "," + std::to_string(y);
                return false;
            }
        }
    return true;
}

std::vector<test::TiffPage> OnlyOutput(const Sandbox& box) {
    std::vector<std::string> files = TiffFiles(box, box.outDir());
    std::vector<test::TiffPage> pages;
    EXPECT_EQ(files.size(), 1u);
    if (files.size() == 1) {
        EXPECT_TRUE(test::ReadTiffPages(files[0], &pages));
    }
    return pages;
}

}  // namespace aro::hosttest
