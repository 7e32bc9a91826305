#include "PrinterDriver.h"

#include <cstring>

#include "RasterDriver.h"

namespace aro::printerapp {

namespace {

constexpr char kA4[] = "iso_a4_210x297mm";
constexpr char kLetter[] = "na_letter_8.5x11in";
constexpr char kMediaType[] = "stationery";
constexpr char kSource[] = "main";
constexpr int kResolutions[] = {200, 300, 600};
constexpr int kDefaultResolution = 300;

bool ReportStatus(pappl_printer_t* printer) {
    (void)printer;  // a virtual printer is always ready
    return true;
}

void SetMedia(pappl_pr_driver_data_t* data) {
    data->num_media = 2;
    data->media[0] = kA4;
    data->media[1] = kLetter;
    // The pages are images of the whole sheet: no margins.
    data->borderless = true;
    data->left_right = 0;
    data->bottom_top = 0;
    data->num_source = 1;
    data->source[0] = kSource;
    data->num_type = 1;
    data->type[0] = kMediaType;
    pappl_media_col_t& media = data->media_default;
    std::strncpy(media.size_name, kA4, sizeof media.size_name - 1);
    media.size_width = 21000;
    media.size_length = 29700;
    std::strncpy(media.source, kSource, sizeof media.source - 1);
    std::strncpy(media.type, kMediaType, sizeof media.type - 1);
    data->media_ready[0] = media;
}

void SetRaster(pappl_pr_driver_data_t* data) {
    data->rstartjob_cb = StartRasterJob;
    data->rstartpage_cb = StartRasterPage;
    data->rwriteline_cb = WriteRasterLine;
    data->rendpage_cb = EndRasterPage;
    data->rendjob_cb = EndRasterJob;
    data->status_cb = ReportStatus;
    data->format = "image/pwg-raster";
    // 8-bit only: PAPPL 1.3.1 hands 1-bit client raster on as if it were
    // the 8-bit lines its page header describes.
    data->raster_types = PAPPL_PWG_RASTER_TYPE_SGRAY_8 | PAPPL_PWG_RASTER_TYPE_SRGB_8;
    data->force_raster_type = PAPPL_PWG_RASTER_TYPE_NONE;
    data->num_resolution = 0;
    for (int dpi : kResolutions) {
        data->x_resolution[data->num_resolution] = dpi;
        data->y_resolution[data->num_resolution++] = dpi;
    }
    data->x_default = data->y_default = kDefaultResolution;
}

}  // namespace

bool FillDriverData(pappl_system_t* system, const char* driverName, const char* deviceUri,
                    const char* deviceId, pappl_pr_driver_data_t* data, ipp_t** attributes,
                    void* context) {
    (void)deviceUri, (void)deviceId, (void)attributes, (void)context;
    if (!driverName || std::strcmp(driverName, kDriverName) != 0) {
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "Unknown driver '%s'.",
                 driverName ? driverName : "(none)");
        return false;
    }
    std::strncpy(data->make_and_model, kMakeAndModel, sizeof data->make_and_model - 1);
    data->ppm = 20;
    data->ppm_color = 10;
    data->kind = PAPPL_KIND_DOCUMENT;
    data->color_supported = PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_COLOR |
                            PAPPL_COLOR_MODE_MONOCHROME | PAPPL_COLOR_MODE_BI_LEVEL;
    data->color_default = PAPPL_COLOR_MODE_AUTO;
    data->content_default = PAPPL_CONTENT_AUTO;
    data->quality_default = IPP_QUALITY_NORMAL;
    data->scaling_default = PAPPL_SCALING_AUTO;
    data->orient_default = IPP_ORIENT_NONE;
    data->duplex = PAPPL_DUPLEX_NONE;
    data->sides_supported = PAPPL_SIDES_ONE_SIDED;
    data->sides_default = PAPPL_SIDES_ONE_SIDED;
    data->finishings = PAPPL_FINISHINGS_NONE;
    SetRaster(data);
    SetMedia(data);
    return true;
}

pappl_pr_driver_t* DriverList(int* count) {
    static pappl_pr_driver_t drivers[] = {{kDriverName, kMakeAndModel, nullptr, nullptr}};
    *count = 1;
    return drivers;
}

}  // namespace aro::printerapp
