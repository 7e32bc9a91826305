#include "JobSettings.h"

#include "JobChild.h"

namespace aro::printerapp {

bool MonoForColourMode(const std::string& keyword) {
    return keyword == "monochrome" || keyword == "bi-level" || keyword == "auto-monochrome" ||
           keyword == "process-monochrome";
}

std::vector<std::string> AroPrintArguments(const JobSettings& settings, const std::string& input) {
    std::vector<std::string> arguments = {"--status-fd", std::to_string(kChildStatusFd), "--dpi",
                                          std::to_string(settings.dpi),
                                          settings.mono ? "--mono" : "--auto"};
    if (!settings.jobName.empty())
        arguments.insert(arguments.end(), {"--job-name", settings.jobName});
    arguments.insert(arguments.end(), {"--", input});
    return arguments;
}

namespace {

std::string ColourModeOf(pappl_job_t* job) {
    ipp_attribute_t* attribute = papplJobGetAttribute(job, "print-color-mode");
    if (attribute) {
        const char* keyword = ippGetString(attribute, 0, nullptr);
        if (keyword) return keyword;
    }
    pappl_pr_driver_data_t data;
    papplPrinterGetDriverData(papplJobGetPrinter(job), &data);
    return data.color_default == PAPPL_COLOR_MODE_MONOCHROME ||
                   data.color_default == PAPPL_COLOR_MODE_BI_LEVEL
               ? "monochrome"
               : "auto";
}

int ResolutionOf(pappl_job_t* job) {
    ipp_attribute_t* attribute = papplJobGetAttribute(job, "printer-resolution");
    if (attribute) {
        int yres = 0;
        ipp_res_t units = IPP_RES_PER_INCH;
        int xres = ippGetResolution(attribute, 0, &yres, &units);
        if (xres > 0) return units == IPP_RES_PER_CM ? (xres * 254 + 50) / 100 : xres;
    }
    pappl_pr_driver_data_t data;
    papplPrinterGetDriverData(papplJobGetPrinter(job), &data);
    return data.x_default > 0 ? data.x_default : 300;
}

}  // namespace

JobSettings SettingsOfJob(pappl_job_t* job) {
    JobSettings settings;
    const char* name = papplJobGetName(job);
    settings.jobName = name ? name : "";
    settings.mono = MonoForColourMode(ColourModeOf(job));
    settings.dpi = ResolutionOf(job);
    return settings;
}

}  // namespace aro::printerapp
