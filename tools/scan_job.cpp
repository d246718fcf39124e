#include "scan_job.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "frame_image.h"
#include "tool_error.h"

namespace kaf_tool {

namespace {

// The callback has no context argument of its own (the user value belongs to
// the caller), so each thread's scan in progress is found here; the scanners
// call back on the calling thread only.
struct ScanCollector {
    std::vector<ScanSample> samples;
    uint64_t stopAfter = 0;
};
thread_local ScanCollector* t_collector = nullptr;

unsigned char KA_SCAN_CALLBACK OnSample(unsigned int, float x, float y, unsigned int value) {
    ScanCollector& collector = *t_collector;
    collector.samples.push_back({x, y, value});
    return collector.stopAfter != 0 && collector.samples.size() >= collector.stopAfter ? 0 : 1;
}

const char* ModeName(int mode) {
    switch (mode) {
        case 0: return "packed bytes";
        case 1: return "mean of the colours";
        case 2: return "red";
        case 3: return "green";
        case 4: return "blue";
        default: return "grey only";
    }
}

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

}  // namespace

std::vector<ScanSample> ScanImage(ka_iproc::PluginModule& module, const Image& image, const ScanSettings& settings) {
    auto scanner = settings.sharpen ? module.ScanLineSubPixelPrecisionWithSharpening : module.ScanLineSubPixelPrecision;
    if (!scanner) {
        throw InputError(std::string("the module does not export ") +
                         (settings.sharpen ? "ScanLineSubPixelPrecisionWithSharpening" : "ScanLineSubPixelPrecision"));
    }
    ka_iproc::Session session;
    FrameHandle frame = AddImageFrame(session, u"Scan frame", image);
    ScanCollector collector;
    collector.stopAfter = settings.stopAfter;
    ka_iproc::TRectangularRegion region = settings.region;
    t_collector = &collector;
    scanner(static_cast<tagBITMAPINFOHEADER*>(frame), settings.hasRegion ? &region : nullptr, settings.line,
            settings.mode, settings.user, settings.bits, &OnSample);
    t_collector = nullptr;
    return collector.samples;
}

// The profile against distance along the line. In mode 0 the value packs the
// bytes of a pixel, so each byte gets a series of its own (one grey series
// when the three colour bytes agree everywhere).
LinePlot ProfilePlot(const ScanSettings& settings, const std::vector<ScanSample>& samples, const Image& image,
                     const std::string& imageName) {
    const ka_iproc::TLine& l = settings.line;
    double dx = l.x2 - l.x1, dy = l.y2 - l.y1;
    double length = std::sqrt(dx * dx + dy * dy);
    double ux = length > 0 ? dx / length : 1, uy = length > 0 ? dy / length : 0;
    // Samples lie about one pixel apart; a wider jump means samples were
    // skipped (outside the region or the bitmap), so the line breaks there.
    double gap = length > 0 ? 1.5 * length / std::max(1.0, std::round(length)) : 1.5;

    const bool packed = settings.mode == 0;
    int channels = packed ? 4 : 1;
    std::vector<PlotSeries> series(static_cast<size_t>(channels));
    bool grey = packed, fourthByte = false;
    double previous = NAN, yMax = 255;
    for (const ScanSample& s : samples) {
        double distance = (s.x - l.x1) * ux + (s.y - l.y1) * uy;
        bool broken = !std::isnan(previous) && std::fabs(distance - previous) > gap;
        previous = distance;
        for (int c = 0; c < channels; ++c) {
            double v = packed ? static_cast<double>((s.value >> (8 * c)) & 0xff) : static_cast<double>(s.value);
            if (broken) {
                series[static_cast<size_t>(c)].x.push_back(NAN);
                series[static_cast<size_t>(c)].y.push_back(NAN);
            }
            series[static_cast<size_t>(c)].x.push_back(distance);
            series[static_cast<size_t>(c)].y.push_back(v);
            yMax = std::max(yMax, v);
        }
        if (packed) {
            uint32_t b = s.value & 0xff;
            grey = grey && ((s.value >> 8) & 0xff) == b && ((s.value >> 16) & 0xff) == b;
            fourthByte = fourthByte || (s.value >> 24) != 0;
        }
    }
    LinePlot plot;
    if (packed) {
        const char* labels[4] = {"blue", "green", "red", "fourth byte"};
        const char* colours[4] = {"#2f6fdf", "#2e9e4f", "#d64545", "#7b8794"};
        for (int c = 0; c < 4; ++c) {
            series[static_cast<size_t>(c)].label = labels[c];
            series[static_cast<size_t>(c)].colour = colours[c];
        }
        if (!fourthByte) series.pop_back();
        if (grey) {
            series.erase(series.begin() + 1, series.begin() + 3);
            series[0].label = "grey";
            series[0].colour = "#334e68";
        }
    } else {
        series[0].label = "value";
        series[0].colour = "#1f6feb";
    }
    plot.series = series;
    plot.title = std::string(settings.sharpen ? "Sharpened line profile" : "Line profile") + " of " + imageName;
    plot.subtitle = "(" + Number(l.x1) + ", " + Number(l.y1) + ") to (" + Number(l.x2) + ", " + Number(l.y2) +
                    "), " + std::to_string(samples.size()) + " samples, mode " + std::to_string(settings.mode) +
                    " (" + ModeName(settings.mode) + "), " + std::to_string(settings.bits) + " sub-pixel bits, " + std::to_string(image.width) + " x " +
                    std::to_string(image.height) + " at " + std::to_string(image.bpp) + " bits" +
                    (settings.hasRegion ? ", within a region" : "");
    plot.xLabel = "distance along the line (pixels)";
    plot.yLabel = packed ? "byte value" : "value";
    plot.xMin = 0;
    plot.xMax = std::max(length, 1.0);
    plot.yMin = 0;
    plot.yMax = yMax;
    plot.exactY = yMax <= 255;  // byte values: the axis ends at 255
    plot.emptyNote = image.bpp == 8 || image.bpp == 32 ? "no samples" : "no samples: the scanners read 8- and 32-bit images";
    return plot;
}


}  // namespace kaf_tool
