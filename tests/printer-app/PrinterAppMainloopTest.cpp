// The server's sub-commands and its web interface: a client reaches the
// server through them, and nothing a client can ask brings it down.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "PrinterAppServer.h"

namespace aro::apptest {
namespace {

// The HTTP status of GET path; 0 when the server does not answer.
int HttpStatus(int port, const std::string& path) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return 0;
    }
    const std::string request = "GET " + path +
                                " HTTP/1.1\r\nHost: localhost:" + std::to_string(port) +
                                "\r\nConnection: close\r\n\r\n";
    if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
        close(fd);
        return 0;
    }
    char reply[64] = {};
    ssize_t got = read(fd, reply, sizeof reply - 1);
    close(fd);
    int status = 0;
    return got > 12 && std::sscanf(reply, "HTTP/1.1 %d", &status) == 1 ? status : 0;
}

class PrinterAppMainloopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveIpptool()) GTEST_SKIP() << "ipptool is not installed";
        std::string why;
        ASSERT_TRUE(m_server.Start(&why)) << why;
    }

    PrinterAppServer m_server;
};

TEST_F(PrinterAppMainloopTest, SubCommandsSubmitListAndShutDown) {
    IppRun status = m_server.RunApp({"status"});
    EXPECT_EQ(status.exitCode, 0) << status.output;
    EXPECT_NE(status.output.find("Running"), std::string::npos) << status.output;

    const std::string document = MakePostScript(m_server.root() + "/two.ps", 2, false);
    IppRun submitted = m_server.RunApp({"submit", "-o", "print-color-mode=monochrome", document});
    ASSERT_EQ(submitted.exitCode, 0) << submitted.output;
    IppRun jobs;
    for (int tries = 0; tries < 100; ++tries) {
        jobs = m_server.RunApp({"jobs", "-o", "which-jobs=completed"});
        if (jobs.output.find("two.ps") != std::string::npos &&
            jobs.output.find("processing") == std::string::npos &&
            jobs.output.find("pending") == std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_NE(jobs.output.find("completed"), std::string::npos) << jobs.output;
    std::vector<std::string> files = TiffFilesIn(m_server.root() + "/out");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(PagesOf(files[0]).size(), 2u);

    EXPECT_EQ(m_server.RunApp({"shutdown"}).exitCode, 0);
    // PAPPL's main loop sees the request when it next wakes: within 30 s.
    for (int tries = 0; tries < 350 && m_server.Running(); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(m_server.Running()) << "the server did not shut down";
}

TEST_F(PrinterAppMainloopTest, WebPagesOfOneQueueAndNoWayToAddPrinters) {
    // PAPPL 1.3.1 dereferences a missing footer on every page.
    for (const char* page : {"/", "/jobs", "/media", "/printing", "/config"})
        EXPECT_EQ(HttpStatus(m_server.port(), page), 200) << page;
    // Adding and deleting printers abort PAPPL 1.3.1 without avahi: not
    // there in single-queue mode.
    for (const char* page : {"/addprinter", "/delete", "/network"})
        EXPECT_EQ(HttpStatus(m_server.port(), page), 404) << page;
    EXPECT_TRUE(m_server.Running());
}

TEST_F(PrinterAppMainloopTest, FindDevicesDoesNotBringTheServerDown) {
    // PAPPL 1.3.1 browses DNS-SD for Find-Devices and aborts when
    // avahi-daemon is not running.
    IppRun find = m_server.Ipp(
        R"({
  NAME "Find-Devices"
  OPERATION 0x402B
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri system-uri $systemuri
})",
        {{"systemuri", "ipp://localhost:" + std::to_string(m_server.port()) + "/ipp/system"}});
    ASSERT_EQ(find.output.find("Bad system-uri"), std::string::npos) << find.output;
    for (int tries = 0; tries < 30 && m_server.Running(); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(m_server.Running()) << find.output;
    EXPECT_EQ(m_server.Ipp(kPrinterAttributes).exitCode, 0);
}

}  // namespace
}  // namespace aro::apptest
