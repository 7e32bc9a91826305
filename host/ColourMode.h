// How a page is handed to the module.
#pragma once

namespace aro::host {

// 1 bit per pixel, 24 bits per pixel, or whichever fits the page's content.
enum class ColourMode { Auto, Mono, Colour };

}  // namespace aro::host
