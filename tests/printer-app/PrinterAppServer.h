// The real aro-printer-app for tests: a server of its own on a free
// loopback port, with its own spool, state, temporary folder and settings
// hives, driven with ipptool and stopped by its process id.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "common/TiffInspect.h"

namespace aro::apptest {

// What ipptool printed and its exit status.
struct IppRun {
    int exitCode = -1;
    std::string output;
    // The last value of an attribute ipptool showed ("" when none).
    std::string Value(const std::string& name) const;
    std::vector<std::string> Values(const std::string& name) const;
};

bool HaveIpptool();

// A TCP port free on 127.0.0.1 just now, or 0.
int FreeLoopbackPort();

class PrinterAppServer {
public:
    PrinterAppServer();
    ~PrinterAppServer();  // stops the server and removes its folders
    PrinterAppServer(const PrinterAppServer&) = delete;
    PrinterAppServer& operator=(const PrinterAppServer&) = delete;

    // An option for the next Start ("NAME=VALUE", after the usual ones, so
    // that it wins), e.g. "listen-hostname=*" or "fallback-user=NAME".
    void AddServerOption(const std::string& option) { m_extraOptions.push_back(option); }
    // False, with the server's output, when it did not come up.
    bool Start(std::string* why);
    // With another program in place of aro-print.
    bool Start(const std::string& aroPrint, std::string* why);
    // SIGTERM, then SIGKILL; the wait status.
    int Stop();
    bool Running();

    const std::string& root() const { return m_root; }
    std::string uri() const;
    int port() const { return m_port; }
    pid_t pid() const { return m_pid; }

    // A fresh output folder for the next jobs, named in both hives.
    std::string NewOutputFolder(const std::string& name);

    // Runs an ipptool test file (its text) against the printer with
    // variables (-d NAME=VALUE) and a document (-f).
    IppRun Ipp(const std::string& testText,
               const std::map<std::string, std::string>& variables = {},
               const std::string& document = "") const;
    // Clients (ipptool) run through this command from now on, e.g.
    // {"/usr/sbin/ip", "netns", "exec", NAME}; empty: directly.
    void SetClientPrefix(std::vector<std::string> prefix) { m_clientPrefix = std::move(prefix); }
    // The same to another URI of the server (reached by another address).
    IppRun IppTo(const std::string& printerUri, const std::string& testText,
                 const std::map<std::string, std::string>& variables = {},
                 const std::string& document = "") const;

    // Runs the program with the server's environment (a client
    // sub-command): exit status and output.
    IppRun RunApp(const std::vector<std::string>& arguments) const;

    std::string Log() const;

private:
    std::vector<std::string> Environment() const;
    void WriteHives(const std::string& folder) const;

    std::string m_root;
    std::vector<std::string> m_extraOptions;
    std::vector<std::string> m_clientPrefix;
    int m_port = 0;
    pid_t m_pid = -1;
};

// ipptool test texts: print and wait for the job's end; create-job and
// send-document and wait; the job's attributes; cancel-job.
extern const char kPrintAndWait[];
extern const char kCreateSendAndWait[];
extern const char kPrintNoWait[];
extern const char kJobAttributes[];
extern const char kCancelJob[];
extern const char kPrinterAttributes[];

// The TIFF files of a folder, sorted, and their pages.
std::vector<std::string> TiffFilesIn(const std::string& folder);
std::vector<test::TiffPage> PagesOf(const std::string& tiff);

// Documents made with Ghostscript in folder: a PostScript of pages with
// their numbers (colour: a red block on each), its PDF, an 8-bit grey PWG
// raster of it, and colour JPEG and PNG images.
std::string MakePostScript(const std::string& path, int pages, bool colour);
bool Ghostscript(const std::vector<std::string>& arguments);

std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);

}  // namespace aro::apptest
