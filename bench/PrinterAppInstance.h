// A real aro-printer-app for the bench: a server of its own on a free
// loopback port, with private spool, state, log, settings hives and output
// folder under one folder that is removed at the end.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace aro::bench {

class PrinterAppInstance {
public:
    // Makes the folders under parent; the server is not started yet.
    explicit PrinterAppInstance(const std::string& parent);
    ~PrinterAppInstance();  // stops the server, removes the folders (unless ARO_BENCH_KEEP is set)
    PrinterAppInstance(const PrinterAppInstance&) = delete;
    PrinterAppInstance& operator=(const PrinterAppInstance&) = delete;

    // Starts program (aro-printer-app) with aroPrint for its jobs and waits
    // until it answers IPP; false with error set otherwise.
    bool Start(const std::string& program, const std::string& aroPrint, std::string* error);
    // SIGTERM, and SIGKILL when it has not ended within a few seconds.
    void Stop();

    const std::string& root() const { return m_root; }
    std::string outDir() const { return m_root + "/out"; }
    std::string uri() const;
    pid_t pid() const { return m_pid; }
    // The server's environment: its hives name outDir(); aro-print run
    // with it writes there too.
    const std::vector<std::string>& environment() const { return m_environment; }

    // Writes text into the root folder; its path.
    std::string WriteFile(const std::string& name, const std::string& text) const;
    // Output files (*.TIF) in the output folder, sorted.
    std::vector<std::string> OutputFiles() const;
    void ClearOutput() const;
    std::string Log() const;

private:
    std::string m_root;
    std::vector<std::string> m_environment;
    int m_port = 0;
    pid_t m_pid = -1;
};

}  // namespace aro::bench
