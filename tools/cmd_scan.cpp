// `kafilters scan IMAGE --line=X1,Y1,X2,Y2 ...`: calls one of the module's
// exported line scanners, as the host's other modules do, and prints each
// sample the callback receives; optionally draws the profile as SVG.
#include <cmath>
#include <cstdio>

#include "arguments.h"
#include "command.h"
#include "frame_image.h"
#include "module_loader.h"
#include "svg_plot.h"
#include "tool_error.h"

namespace kaf_tool {

namespace {

struct Sample {
    float x, y;
    unsigned int value;
};

// The callback has no context argument of its own (the user value belongs to
// the caller), so the scan's state lives here; the scanners call back on the
// calling thread only.
struct ScanState {
    std::vector<Sample> samples;
    uint64_t stopAfter = 0;  // 0: never stop
};
ScanState g_scan;

unsigned char KA_SCAN_CALLBACK OnSample(unsigned int, float x, float y, unsigned int value) {
    g_scan.samples.push_back({x, y, value});
    return g_scan.stopAfter != 0 && g_scan.samples.size() >= g_scan.stopAfter ? 0 : 1;
}

struct ScanOptions {
    std::string image;
    ka_iproc::TLine line{};
    bool hasRegion = false;
    ka_iproc::TRectangularRegion region{};
    int mode = 1;
    int bits = 8;
    bool sharpen = false;
    unsigned int user = 0;
    std::string plot;
};

std::vector<double> FixedList(const std::string& text, size_t count, const std::string& what) {
    std::vector<double> values = ParseNumberList(text, what);
    if (values.size() != count) {
        throw UsageError(what + " needs " + std::to_string(count) + " comma-separated numbers, got " +
                         std::to_string(values.size()));
    }
    return values;
}

ScanOptions ParseScanOptions(const std::vector<std::string>& args) {
    Arguments parsed = ParseArguments(args, {{"--line", nullptr, true},
                                             {"--mode", nullptr, true},
                                             {"--bits", nullptr, true},
                                             {"--sharpen", nullptr, false},
                                             {"--region", nullptr, true},
                                             {"--user", nullptr, true},
                                             {"--stop-after", nullptr, true},
                                             {"--plot", nullptr, true}});
    if (parsed.positional.size() != 1) throw UsageError("scan needs exactly one IMAGE");
    ScanOptions options;
    options.image = parsed.positional[0];
    const std::string* line = parsed.Value("--line");
    if (!line) throw UsageError("scan needs --line=X1,Y1,X2,Y2");
    std::vector<double> l = FixedList(*line, 4, "--line");
    options.line = {l[0], l[1], l[2], l[3]};
    if (const std::string* region = parsed.Value("--region")) {
        std::vector<double> r = FixedList(*region, 5, "--region");
        options.region = {r[0], r[1], r[2], r[3], r[4]};
        options.hasRegion = true;
    }
    options.sharpen = parsed.Has("--sharpen");
    if (const std::string* mode = parsed.Value("--mode")) {
        options.mode = static_cast<int>(ParseInteger(*mode, "--mode", INT32_MIN, INT32_MAX));
    }
    // The weighted sums are 32-bit integers: 2s bits of weight times up to
    // 255 (plain) or 3060 (sharpened) keep s within 1..11 and 1..9.
    if (const std::string* bits = parsed.Value("--bits")) {
        options.bits = static_cast<int>(ParseInteger(*bits, "--bits", 1, options.sharpen ? 9 : 11));
    }
    if (const std::string* user = parsed.Value("--user")) {
        options.user = static_cast<unsigned int>(ParseInteger(*user, "--user", 0, UINT32_MAX));
    }
    g_scan.stopAfter = 0;
    if (const std::string* stop = parsed.Value("--stop-after")) {
        g_scan.stopAfter = static_cast<uint64_t>(ParseInteger(*stop, "--stop-after", 1, INT64_MAX));
    }
    if (const std::string* plot = parsed.Value("--plot")) options.plot = *plot;
    return options;
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

// The profile against distance along the line. In mode 0 the value packs the
// bytes of a pixel, so each byte gets a series of its own (one grey series
// when the three colour bytes agree everywhere).
LinePlot ProfilePlot(const ScanOptions& options, const Image& image) {
    const ka_iproc::TLine& l = options.line;
    double dx = l.x2 - l.x1, dy = l.y2 - l.y1;
    double length = std::sqrt(dx * dx + dy * dy);
    double ux = length > 0 ? dx / length : 1, uy = length > 0 ? dy / length : 0;
    // Samples lie about one pixel apart; a wider jump means samples were
    // skipped (outside the region or the bitmap), so the line breaks there.
    double gap = length > 0 ? 1.5 * length / std::max(1.0, std::round(length)) : 1.5;

    const bool packed = options.mode == 0;
    int channels = packed ? 4 : 1;
    std::vector<PlotSeries> series(static_cast<size_t>(channels));
    bool grey = packed, fourthByte = false;
    double previous = NAN, yMax = 255;
    for (const Sample& s : g_scan.samples) {
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
    size_t slash = options.image.find_last_of("/\\");
    std::string file = slash == std::string::npos ? options.image : options.image.substr(slash + 1);
    plot.title = std::string(options.sharpen ? "Sharpened line profile" : "Line profile") + " of " + file;
    plot.subtitle = "(" + Number(l.x1) + ", " + Number(l.y1) + ") to (" + Number(l.x2) + ", " + Number(l.y2) +
                    "), " + std::to_string(g_scan.samples.size()) + " samples, mode " + std::to_string(options.mode) +
                    " (" + ModeName(options.mode) + "), " + std::to_string(options.bits) + " sub-pixel bits, " + std::to_string(image.width) + " x " +
                    std::to_string(image.height) + " at " + std::to_string(image.bpp) + " bits" +
                    (options.hasRegion ? ", within a region" : "");
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

int RunScan(const std::vector<std::string>& args) {
    ScanOptions options = ParseScanOptions(args);
    Image image = LoadImageOrThrow(options.image);
    ka_iproc::PluginModule& module = HostModule();
    auto scanner = options.sharpen ? module.ScanLineSubPixelPrecisionWithSharpening : module.ScanLineSubPixelPrecision;
    if (!scanner) {
        throw InputError(std::string("the module does not export ") +
                         (options.sharpen ? "ScanLineSubPixelPrecisionWithSharpening" : "ScanLineSubPixelPrecision"));
    }
    ka_iproc::Session session;
    FrameHandle frame = AddImageFrame(session, u"Scan frame", image);
    if (image.bpp != 8 && image.bpp != 32) {
        std::fprintf(stderr, "note: the scanners sample 8- and 32-bit images only; this one has %d bits\n", image.bpp);
    }
    g_scan.samples.clear();
    scanner(static_cast<tagBITMAPINFOHEADER*>(frame), options.hasRegion ? &options.region : nullptr, options.line,
            options.mode, options.user, options.bits, &OnSample);

    std::printf("x,y,value\n");
    for (const Sample& s : g_scan.samples) std::printf("%.9g,%.9g,%u\n", s.x, s.y, s.value);
    std::fflush(stdout);
    if (!options.plot.empty()) {
        std::string svg = RenderSvg(ProfilePlot(options, image));
        FILE* file = std::fopen(options.plot.c_str(), "wb");
        bool ok = file && std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
        if (file) ok = std::fclose(file) == 0 && ok;
        if (!ok) throw InputError("cannot write the plot " + options.plot);
    }
    return kExitSuccess;
}

const Command kScan{
    "scan", "sample an image along a line with the module's line scanners",
    "usage: kafilters scan IMAGE --line=X1,Y1,X2,Y2 [--mode=M] [--bits=S] [--sharpen]\n"
    "                      [--region=CX,CY,W,H,ANGLE] [--user=U] [--stop-after=K]\n"
    "                      [--plot=FILE.svg]\n"
    "\n"
    "Walks the segment from (X1,Y1) to (X2,Y2) over IMAGE (8 or 32 bits; rows\n"
    "as the image is read, see `kafilters run --help`) with the module's\n"
    "exported scanner and prints \"x,y,value\", then one line per sample: the\n"
    "position (%.9g) and the value (unsigned decimal).\n"
    "\n"
    "  --line=X1,Y1,X2,Y2    the segment in pixels (x: column, y: row)\n"
    "  --mode=M              0 packed bytes, 1 mean of the colours (default),\n"
    "                        2 red, 3 green, 4 blue\n"
    "  --bits=S              sub-pixel precision, 2^S steps a pixel: 1..11,\n"
    "                        1..9 with --sharpen (default 8)\n"
    "  --sharpen             use the scanner that sharpens before interpolating\n"
    "  --region=CX,CY,W,H,ANGLE\n"
    "                        interpolate only inside this rectangle (centre,\n"
    "                        size, angle in degrees); default: everywhere\n"
    "  --user=U              the value handed to every callback (default 0)\n"
    "  --stop-after=K        the callback asks the scan to stop on its K-th call\n"
    "  --plot=FILE.svg       also draw the profile against distance along the line\n",
    &RunScan, 40};

const CommandRegistration kRegisterScan(kScan);

}  // namespace

}  // namespace kaf_tool
