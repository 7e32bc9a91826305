// The options of aro-print and their parsing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ColourMode.h"

namespace aro::host {

struct HostOptions {
    std::string modulePath;  // empty: the module installed beside the program
    std::optional<std::string> jobName;
    std::optional<std::string> password;  // --password: opens an encrypted PDF
    int dpi = 300;
    unsigned bandRows = 256;
    ColourMode mode = ColourMode::Auto;
    // --colour-threshold: the percentage of a page's area that must be
    // coloured for --auto to print it in colour; empty: the default.
    std::optional<double> colourThreshold;
    // --status-fd: the descriptor that takes the machine-readable events.
    std::optional<int> statusFd;
    bool help = false;
    bool version = false;
    bool check = false;                      // --check: report on the settings
    std::optional<std::string> setupFolder;  // --setup FOLDER: write a user hive
    std::vector<std::string> inputs;
};

struct CommandLine {
    bool valid = false;
    std::string error;  // why the command line was refused
    HostOptions options;
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string UsageText(const std::string& program);

}  // namespace aro::host
