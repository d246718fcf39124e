// Sampling an image along a line with one of the module's exported scanners,
// as the host's other modules call them, and drawing the profile. The `scan`
// command and the demo both go through here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host_api.h"
#include "image_io.h"
#include "svg_plot.h"

namespace kaf_tool {

struct ScanSettings {
    ka_iproc::TLine line{};
    bool hasRegion = false;  // without one the scanner gets a null region
    ka_iproc::TRectangularRegion region{};
    int mode = 1;
    int bits = 8;            // 1..11, 1..9 when sharpening (checked by the caller)
    bool sharpen = false;
    unsigned int user = 0;
    uint64_t stopAfter = 0;  // the callback returns 0 on this call; 0: never
};

struct ScanSample {
    float x, y;
    unsigned int value;
};

// The samples in the order the callback received them. Throws an InputError
// when the module does not export the scanner asked for. Scans may run on
// several threads at once, each with its own image.
std::vector<ScanSample> ScanImage(ka_iproc::PluginModule& module, const Image& image, const ScanSettings& settings);

// The profile against distance along the line; `imageName` goes into the title.
LinePlot ProfilePlot(const ScanSettings& settings, const std::vector<ScanSample>& samples, const Image& image,
                     const std::string& imageName);

}  // namespace kaf_tool
