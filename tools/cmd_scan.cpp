// `kafilters scan IMAGE --line=X1,Y1,X2,Y2 ...`: calls one of the module's
// exported line scanners, as the host's other modules do, and prints each
// sample the callback receives; optionally draws the profile as SVG.
#include <cstdio>

#include "arguments.h"
#include "command.h"
#include "frame_image.h"
#include "module_loader.h"
#include "scan_job.h"
#include "tool_error.h"

namespace kaf_tool {

namespace {

struct ScanOptions : ScanSettings {
    std::string image;
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
    if (const std::string* stop = parsed.Value("--stop-after")) {
        options.stopAfter = static_cast<uint64_t>(ParseInteger(*stop, "--stop-after", 1, INT64_MAX));
    }
    if (const std::string* plot = parsed.Value("--plot")) options.plot = *plot;
    return options;
}

int RunScan(const std::vector<std::string>& args) {
    ScanOptions options = ParseScanOptions(args);
    Image image = LoadImageOrThrow(options.image);
    if (image.bpp != 8 && image.bpp != 32) {
        std::fprintf(stderr, "note: the scanners sample 8- and 32-bit images only; this one has %d bits\n", image.bpp);
    }
    std::vector<ScanSample> samples = ScanImage(HostModule(), image, options);
    std::printf("x,y,value\n");
    for (const ScanSample& s : samples) std::printf("%.9g,%.9g,%u\n", s.x, s.y, s.value);
    std::fflush(stdout);
    if (!options.plot.empty()) {
        size_t slash = options.image.find_last_of("/\\");
        std::string name = slash == std::string::npos ? options.image : options.image.substr(slash + 1);
        std::string svg = RenderSvg(ProfilePlot(options, samples, image, name));
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
