#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/posix/ProfileWriter.h"
#include "tests/platform/PosixTestSupport.h"

namespace aro::posix {
namespace {

using testing::PermissionBits;
using testing::ReadTextFile;
using testing::ScratchFolder;
using testing::WriteTextFile;

class ProfileWriter : public ::testing::Test {
protected:
    bool Write(const char* section, const char* key, const char* value) {
        return WritePrivateProfileString(section, key, value, m_file.c_str());
    }
    std::size_t FolderEntryCount() const {
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder.path())) {
            (void)entry;
            ++count;
        }
        return count;
    }

    ScratchFolder m_folder;
    std::string m_file = m_folder / "job.ini";
};

TEST_F(ProfileWriter, CreatesFileWithSectionsInWriteOrder) {
    ASSERT_TRUE(Write("Print Page Appended", "Image File Name", "/out/A.TIF"));
    ASSERT_TRUE(Write("Zavor Printer", "Total Page Number", "3"));
    EXPECT_EQ(ReadTextFile(m_file),
              "[Print Page Appended]\nImage File Name=/out/A.TIF\n\n"
              "[Zavor Printer]\nTotal Page Number=3\n");
}

// SimpleIni rewrites such a file on saving: it drops the comment at the end,
// the second "Count" and the indentation, and respaces "=". Windows keeps
// them, so the writer edits the one line itself.
TEST_F(ProfileWriter, ReplacesOneLineAndKeepsCommentsAndLayout) {
    WriteTextFile(m_file,
                  "; written by the printer\n"
                  "[Zavor Printer]\n"
                  "  Output = /old ; comment\n"
                  "Count=1\n"
                  "Count=2\n"
                  "\n\n"
                  "[Other]\n"
                  "Output=other\n"
                  "; last words\n");
    ASSERT_TRUE(Write("zavor printer", "OUTPUT", "/new"));
    ASSERT_TRUE(Write("Zavor Printer", "count", "7"));
    EXPECT_EQ(ReadTextFile(m_file),
              "; written by the printer\n"
              "[Zavor Printer]\n"
              "  Output=/new\n"
              "Count=7\n"
              "Count=2\n"
              "\n\n"
              "[Other]\n"
              "Output=other\n"
              "; last words\n");
}

TEST_F(ProfileWriter, AddsKeyAfterLastKeyOfFirstMatchingSection) {
    WriteTextFile(m_file, "[A]\nx=1\n; about B\n\n[ a ]\ny=2\n[B]\nz=3");
    ASSERT_TRUE(Write("A", "New", "n"));
    ASSERT_TRUE(Write("B", "Last", "l"));
    ASSERT_TRUE(Write("C", "c", "v"));
    EXPECT_EQ(ReadTextFile(m_file),
              "[A]\nx=1\nNew=n\n; about B\n\n[ a ]\ny=2\n[B]\nz=3\nLast=l\n\n[C]\nc=v\n");
}

TEST_F(ProfileWriter, KeepsCrlfAndBom) {
    WriteTextFile(m_file, "\xEF\xBB\xBF[A]\r\nx=1\r\n");
    ASSERT_TRUE(Write("A", "x", "2"));
    ASSERT_TRUE(Write("A", "y", "3"));
    EXPECT_EQ(ReadTextFile(m_file), "\xEF\xBB\xBF[A]\r\nx=2\r\ny=3\r\n");
}

TEST_F(ProfileWriter, ReplacesFileAsAWhole) {
    WriteTextFile(m_file, "[A]\nx=1\n");
    chmod(m_file.c_str(), 0604);
    const int oldFile = open(m_file.c_str(), O_RDONLY);
    ASSERT_GE(oldFile, 0);
    ASSERT_TRUE(Write("A", "x", "2"));
    // The old file is unchanged: the new one was renamed over it.
    char buffer[32] = {};
    EXPECT_EQ(pread(oldFile, buffer, sizeof(buffer), 0), 8);
    EXPECT_STREQ(buffer, "[A]\nx=1\n");
    close(oldFile);
    EXPECT_EQ(ReadTextFile(m_file), "[A]\nx=2\n");
    EXPECT_EQ(PermissionBits(m_file), 0604u);
    EXPECT_EQ(FolderEntryCount(), 1u);
}

TEST_F(ProfileWriter, FailsWithoutFolderOrRoom) {
    const std::string missing = m_folder / "missing/job.ini";
    EXPECT_FALSE(WritePrivateProfileString("A", "x", "1", missing.c_str()));
    EXPECT_FALSE(std::filesystem::exists(m_folder / "missing"));

    WriteTextFile(m_file, "[A]\nx=1\n");
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {4, 4};  // a full disk, even for root
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(Write("A", "x", "2") ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_EQ(ReadTextFile(m_file), "[A]\nx=1\n");
    EXPECT_EQ(FolderEntryCount(), 1u);
}

TEST_F(ProfileWriter, RefusesWhatCannotBeOneLine) {
    WriteTextFile(m_file, "[A]\nx=1\n");
    EXPECT_FALSE(Write("A", "x", "2\n[B]"));
    EXPECT_FALSE(Write("A\nB", "x", "2"));
    EXPECT_FALSE(Write("A", "x=y", "2"));
    EXPECT_FALSE(Write("A", "  ", "2"));
    EXPECT_FALSE(Write("A", nullptr, "2"));
    EXPECT_EQ(ReadTextFile(m_file), "[A]\nx=1\n");
}

}  // namespace
}  // namespace aro::posix
