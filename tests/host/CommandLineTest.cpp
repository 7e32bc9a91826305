#include "CommandLine.h"

#include <gtest/gtest.h>

namespace aro::host {
namespace {

TEST(HostCommandLineTest, DefaultsAndInputs) {
    CommandLine line = ParseCommandLine({"a.pdf", "b.ps"});
    ASSERT_TRUE(line.valid) << line.error;
    EXPECT_EQ(line.options.dpi, 300);
    EXPECT_EQ(line.options.bandRows, 256u);
    EXPECT_EQ(line.options.mode, ColourMode::Auto);
    EXPECT_FALSE(line.options.jobName);
    EXPECT_EQ(line.options.modulePath, "");
    EXPECT_EQ(line.options.inputs, (std::vector<std::string>{"a.pdf", "b.ps"}));
}

TEST(HostCommandLineTest, OptionsWithSeparateOrAttachedValues) {
    CommandLine line = ParseCommandLine({"--dpi=150", "--band-rows", "64", "--module", "/m.so",
                                         "--job-name=Q3: sales", "--mono", "x.pnm"});
    ASSERT_TRUE(line.valid) << line.error;
    EXPECT_EQ(line.options.dpi, 150);
    EXPECT_EQ(line.options.bandRows, 64u);
    EXPECT_EQ(line.options.modulePath, "/m.so");
    EXPECT_EQ(line.options.jobName, "Q3: sales");
    EXPECT_EQ(line.options.mode, ColourMode::Mono);
}

TEST(HostCommandLineTest, CheckAndSetupNeedNoInputFile) {
    EXPECT_TRUE(ParseCommandLine({"--check"}).options.check);
    CommandLine setup = ParseCommandLine({"--setup", "/home/a/scans"});
    ASSERT_TRUE(setup.valid) << setup.error;
    EXPECT_EQ(setup.options.setupFolder, "/home/a/scans");
    EXPECT_FALSE(ParseCommandLine({"--setup"}).valid);
    EXPECT_FALSE(ParseCommandLine({"--check=yes"}).valid);
}

TEST(HostCommandLineTest, LastColourModeWins) {
    EXPECT_EQ(ParseCommandLine({"--mono", "--color", "f"}).options.mode, ColourMode::Colour);
    EXPECT_EQ(ParseCommandLine({"--color", "--auto", "f"}).options.mode, ColourMode::Auto);
}

TEST(HostCommandLineTest, DoubleDashEndsTheOptions) {
    CommandLine line = ParseCommandLine({"--", "--mono", "-x"});
    ASSERT_TRUE(line.valid);
    EXPECT_EQ(line.options.mode, ColourMode::Auto);
    EXPECT_EQ(line.options.inputs, (std::vector<std::string>{"--mono", "-x"}));
}

TEST(HostCommandLineTest, BandRowsMustBeAPositiveMultipleOfEight) {
    for (const char* rows : {"0", "12", "-8", "8x", "", "99999999999"})
        EXPECT_FALSE(ParseCommandLine({"--band-rows", rows, "f"}).valid) << rows;
    for (const char* rows : {"8", "16", "4096"})
        EXPECT_TRUE(ParseCommandLine({"--band-rows", rows, "f"}).valid) << rows;
}

TEST(HostCommandLineTest, RefusedCommandLines) {
    const std::vector<std::vector<std::string>> refused = {
        {},                      // no input
        {"--dpi", "0", "f"},     // below the range
        {"--dpi", "9600", "f"},  // above it
        {"--dpi", "3OO", "f"},   // not a number
        {"--dpi"},               // value missing
        {"--unknown", "f"},      // no such option
        {"--mono=yes", "f"},     // a switch with a value
    };
    for (const auto& arguments : refused) {
        CommandLine line = ParseCommandLine(arguments);
        EXPECT_FALSE(line.valid);
        EXPECT_FALSE(line.error.empty());
    }
}

TEST(HostCommandLineTest, HelpNeedsNoInput) {
    CommandLine line = ParseCommandLine({"--help"});
    EXPECT_TRUE(line.valid);
    EXPECT_TRUE(line.options.help);
}

}  // namespace
}  // namespace aro::host
