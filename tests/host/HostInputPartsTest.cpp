// The small parts behind aro-print's inputs: page counts announced by
// PostScript, encrypted PDFs, the notice of an interrupted job and the new
// options.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "CommandLine.h"
#include "InterruptNotice.h"
#include "NoPageReason.h"
#include "PdfPageCount.h"
#include "integration/ModuleHarness.h"

namespace aro::host {
namespace {

void Write(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

TEST(HostPostScriptPagesTest, CountComesFromTheHeaderComments) {
    EXPECT_EQ(ParsePostScriptPages("%!PS-Adobe-3.0\n%%Title: x\n%%Pages: 12\n%%EndComments\n"),
              12u);
    EXPECT_EQ(ParsePostScriptPages("%!PS-Adobe-3.0\r\n%%Pages: 3\r\n"), 3u);
    EXPECT_EQ(ParsePostScriptPages("%!PS-Adobe-3.0\n%%Pages: (atend)\n"), std::nullopt);
    // Past the header, a "%%Pages:" is the trailer's or a nested document's.
    EXPECT_EQ(ParsePostScriptPages("%!PS\n%%EndComments\n%%Pages: 4\n"), std::nullopt);
    EXPECT_EQ(ParsePostScriptPages("%!PS\nshowpage\n%%Pages: 4\n"), std::nullopt);

    itest::Sandbox box;
    std::string body = "%!PS-Adobe-3.0 EPSF-3.0\n%%Pages: 1\n";
    std::string dosHeader = "\xC5\xD0\xD3\xC6";
    dosHeader += std::string("\x20\0\0\0", 4) + std::string(24, '\0');  // body at 32
    Write(box.root() + "/dos.eps", dosHeader + body);
    EXPECT_EQ(PostScriptPageCount(box.root() + "/dos.eps"), 1u);
}

TEST(HostEncryptedPdfTest, EncryptKeyIsFoundAlsoAcrossReadChunks) {
    itest::Sandbox box;
    // The reader takes 64 KiB at a time: the key straddles the first edge.
    std::string cut = std::string(65536 - 4, ' ') + "/Encrypt 5 0 R";
    Write(box.root() + "/cut.pdf", "%PDF-1.7\n" + cut.substr(9));
    Write(box.root() + "/plain.pdf", "%PDF-1.7\n" + std::string(70000, ' ') + "/Encrypt 7 0 R");
    Write(box.root() + "/none.pdf", "%PDF-1.7\n/Encryp t");
    EXPECT_TRUE(PdfIsEncrypted(box.root() + "/cut.pdf"));
    EXPECT_TRUE(PdfIsEncrypted(box.root() + "/plain.pdf"));
    EXPECT_FALSE(PdfIsEncrypted(box.root() + "/none.pdf"));
    EXPECT_EQ(NoPageReason(box.root() + "/none.pdf", InputType::Pdf, false),
              "the PDF is damaged: no page of it could be read");
    EXPECT_EQ(NoPageReason(box.root() + "/none.pdf", InputType::PostScript, false),
              "the document has no pages");
}

TEST(HostInterruptNoticeTest, NamesTheFileAndItsPages) {
    EXPECT_EQ(InterruptNoticeText("a.pdf", 0, "", 0),
              "a.pdf: interrupted before any page was written");
    EXPECT_EQ(InterruptNoticeText("a.pdf", 3, "/out/a.TIF", 3),
              "a.pdf: interrupted: /out/a.TIF holds an unfinished document of 3 page(s)");
    EXPECT_EQ(InterruptNoticeText("a.pdf", 5, "/out/a5.TIF", 1),
              "a.pdf: interrupted: /out/a5.TIF holds an unfinished document of 1 page(s) (5 "
              "page(s) in all)");
}

TEST(HostCommandLineInputTest, PasswordVersionAndStandardInput) {
    CommandLine line = ParseCommandLine({"--password", "-secret-", "-", "--", "-x.pdf"});
    ASSERT_TRUE(line.valid) << line.error;
    EXPECT_EQ(line.options.password, "-secret-");
    EXPECT_EQ(line.options.inputs, (std::vector<std::string>{"-", "-x.pdf"}));
    EXPECT_TRUE(ParseCommandLine({"--version"}).options.version);
    EXPECT_TRUE(ParseCommandLine({"--version"}).valid);
    EXPECT_FALSE(ParseCommandLine({"--version=1"}).valid);
    EXPECT_EQ(ParseCommandLine({"--password"}).error, "option --password needs a value");
}

// The manual page documents every option that --help lists.
TEST(HostManPageTest, ListsEveryOptionOfTheUsage) {
    std::string manual = itest::ReadFile(ARO_SOURCE_DIR "/docs/aro-print.1");
    ASSERT_FALSE(manual.empty());
    std::istringstream usage(UsageText("aro-print"));
    size_t options = 0;
    for (std::string line; std::getline(usage, line);) {
        size_t dashes = line.find("--");
        if (line.rfind("  -", 0) != 0 || dashes == std::string::npos) continue;
        std::string name = line.substr(dashes + 2, line.find_first_of(" ,", dashes) - dashes - 2);
        ++options;
        std::string escaped = "\\-\\-";  // troff writes a hyphen as \-
        for (char c : name) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(manual.find(escaped), std::string::npos) << name;
    }
    EXPECT_GE(options, 12u);
}

}  // namespace
}  // namespace aro::host
