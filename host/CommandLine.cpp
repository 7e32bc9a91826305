#include "CommandLine.h"

#include <climits>

namespace aro::host {

namespace {

constexpr int kMinDpi = 10;
constexpr int kMaxDpi = 2400;

// Decimal digits only: no sign, no spaces, no trailing text.
std::optional<long> ParseNumber(const std::string& text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A decimal number from 0 to 100 ("0.5", "2", ".25"), no sign or exponent.
std::optional<double> ParsePercent(const std::string& text) {
    const size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || fraction.size() > 6) return std::nullopt;
    if (!whole.empty() && !ParseNumber(whole)) return std::nullopt;
    if (!fraction.empty() && !ParseNumber(fraction)) return std::nullopt;
    double value = whole.empty() ? 0 : double(*ParseNumber(whole));
    double scale = 0.1;
    for (char c : fraction) value += (c - '0') * scale, scale /= 10;
    if (value > 100) return std::nullopt;
    return value;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& arguments) : m_arguments(arguments) {}

    CommandLine Run() {
        for (m_next = 0; m_next < m_arguments.size() && m_result.error.empty();) {
            const std::string& argument = m_arguments[m_next++];
            if (m_endOfOptions || argument == "-" || argument.rfind("-", 0) != 0)
                m_result.options.inputs.push_back(argument);
            else if (argument == "--")
                m_endOfOptions = true;
            else
                Option(argument);
        }
        const HostOptions& o = m_result.options;
        if (m_result.error.empty() && !o.help && !o.version && !o.check && !o.setupFolder &&
            o.inputs.empty())
            m_result.error = "no input file given";
        m_result.valid = m_result.error.empty();
        return m_result;
    }

private:
    void Option(const std::string& argument) {
        std::string name = argument;
        std::optional<std::string> inlineValue;
        size_t equals = argument.find('=');
        if (argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        HostOptions& o = m_result.options;
        if (name == "--help" || name == "-h")
            o.help = true;
        else if (name == "--version")
            o.version = true;
        else if (name == "--mono")
            o.mode = ColourMode::Mono;
        else if (name == "--color" || name == "--colour")
            o.mode = ColourMode::Colour;
        else if (name == "--auto")
            o.mode = ColourMode::Auto;
        else if (name == "--check")
            o.check = true;
        else if (name == "--setup")
            Value(name, inlineValue, [&](const std::string& v) { o.setupFolder = v; });
        else if (name == "--module")
            Value(name, inlineValue, [&](const std::string& v) { o.modulePath = v; });
        else if (name == "--job-name")
            Value(name, inlineValue, [&](const std::string& v) { o.jobName = v; });
        else if (name == "--password")
            Value(name, inlineValue, [&](const std::string& v) { o.password = v; });
        else if (name == "--dpi")
            Value(name, inlineValue, [&](const std::string& v) { Dpi(v); });
        else if (name == "--band-rows")
            Value(name, inlineValue, [&](const std::string& v) { BandRows(v); });
        else if (name == "--status-fd")
            Value(name, inlineValue, [&](const std::string& v) { StatusFd(v); });
        else if (name == "--colour-threshold" || name == "--color-threshold")
            Value(name, inlineValue, [&](const std::string& v) { ColourThreshold(name, v); });
        else
            m_result.error = "unknown option " + argument;
        bool flag = name != "--module" && name != "--job-name" && name != "--dpi" &&
                    name != "--band-rows" && name != "--setup" && name != "--password" &&
                    name != "--status-fd" && name != "--colour-threshold" &&
                    name != "--color-threshold";
        if (flag && inlineValue && m_result.error.empty())
            m_result.error = "option " + name + " takes no value";
    }

    template <typename Apply>
    void Value(const std::string& name, const std::optional<std::string>& inlineValue,
               Apply apply) {
        if (inlineValue) return apply(*inlineValue);
        if (m_next >= m_arguments.size()) {
            m_result.error = "option " + name + " needs a value";
            return;
        }
        apply(m_arguments[m_next++]);
    }

    void Dpi(const std::string& text) {
        std::optional<long> dpi = ParseNumber(text);
        if (!dpi || *dpi < kMinDpi || *dpi > kMaxDpi)
            m_result.error = "--dpi wants a whole number from " + std::to_string(kMinDpi) + " to " +
                             std::to_string(kMaxDpi) + ", not '" + text + "'";
        else
            m_result.options.dpi = static_cast<int>(*dpi);
    }

    void BandRows(const std::string& text) {
        std::optional<long> rows = ParseNumber(text);
        if (!rows || *rows <= 0 || *rows % 8 != 0 || *rows > 65536)
            m_result.error =
                "--band-rows wants a positive multiple of 8 (at most 65536), not '" + text + "'";
        else
            m_result.options.bandRows = static_cast<unsigned>(*rows);
    }

    void StatusFd(const std::string& text) {
        std::optional<long> fd = ParseNumber(text);
        if (!fd || *fd < 3 || *fd > INT_MAX)
            m_result.error =
                "--status-fd wants an open descriptor number from 3 up, not '" + text + "'";
        else
            m_result.options.statusFd = static_cast<int>(*fd);
    }

    void ColourThreshold(const std::string& name, const std::string& text) {
        std::optional<double> percent = ParsePercent(text);
        if (!percent)
            m_result.error = name + " wants a percentage from 0 to 100, not '" + text + "'";
        else
            m_result.options.colourThreshold = *percent;
    }

    const std::vector<std::string>& m_arguments;
    size_t m_next = 0;
    bool m_endOfOptions = false;
    CommandLine m_result;
};

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    return Parser(arguments).Run();
}

std::string UsageText(const std::string& program) {
    return "usage: " + program +
           " [options] FILE...\n"
           "       " +
           program +
           " --check | --setup FOLDER\n"
           "Prints every FILE (PDF, PostScript, PNM or TIFF, recognised by content) as one\n"
           "print job through the ARO printer exit module. A FILE whose name begins with -\n"
           "follows --; FILE - is standard input.\n"
           "\n"
           "options:\n"
           "  --module PATH     the exit module to load (default: libAroPrinterCfg.so\n"
           "                    installed beside this program)\n"
           "  --job-name NAME   the print job's name (default: the file's name, stdin\n"
           "                    for standard input)\n"
           "  --password TEXT   the password of an encrypted PDF\n"
           "  --dpi N           resolution to render PDF and PostScript at and to pass\n"
           "                    to the module (default 300)\n"
           "  --band-rows N     rows per band, a positive multiple of 8 (default 256)\n"
           "  --mono            every page as 1 bit per pixel\n"
           "  --color           every page as 24 bits per pixel\n"
           "  --auto            colour pages as 24 bits, the others as 1 bit (default)\n"
           "  --colour-threshold PERCENT\n"
           "                    --auto prints a page in colour when more than PERCENT of\n"
           "                    its area is coloured (default 0.02; also --color-threshold)\n"
           "  --status-fd N     write one line per job event (pages, page done, refusal,\n"
           "                    file written, error, outcome) to descriptor N\n"
           "  --check           show where the settings come from, the folder and name\n"
           "                    of the next job's file, and what is wrong\n"
           "  --setup FOLDER    write a user hive that sends every job's file to FOLDER\n"
           "                    (never over an existing hive)\n"
           "  -h, --help        show this text\n"
           "  --version         show the version\n"
           "\n"
           "exit status: 0 every band accepted, 1 the module refused a band,\n"
           "2 bad usage or an input that cannot be printed, 3 a job could not be completed\n";
}

}  // namespace aro::host
