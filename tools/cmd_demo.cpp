// `kafilters demo [OUTDIR]`: draws the sample scene, runs every method of the
// module on it with settings that show what each does, runs both line
// scanners across edges, and writes the results with an HTML gallery.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>

#include "arguments.h"
#include "command.h"
#include "demo_scene.h"
#include "gallery.h"
#include "module_loader.h"
#include "run_job.h"
#include "scan_job.h"
#include "svg_plot.h"
#include "tool_error.h"
#include "worker_pool.h"

namespace kaf_tool {

namespace {

namespace fs = std::filesystem;
using ka_iproc::Utf8;

constexpr int32_t kSceneWidth = 512, kSceneHeight = 384;
// Each run is timed over this many repeated calls after the first; the
// gallery shows the fastest, the one least disturbed by other work.
constexpr int kTimedRuns = 2;

// One demonstration run: the method, the depth of the scene it gets, its
// parameters as `-p` takes them, and what the result teaches.
struct DemoRun {
    const char* method;
    int32_t bpp;
    std::vector<std::string> parameters;
    const char* lesson;
    bool whiteFrame = false;  // hand over the calibration frame of the same depth
};

const std::vector<DemoRun>& DemoRuns() {
    static const std::vector<DemoRun> runs = {
        {"blur", 8, {"Kernel radius=1", "Pass-through rating=0.5"},
         "A 3 x 3 window in which the centre pixel keeps half the weight: noise and text soften a little."},
        {"blur", 8, {"Kernel radius=5", "Pass-through rating=0.5"},
         "An 11 x 11 window: the centre still keeps half, so edges stay while the other half is a wide average "
         "(a soft glow around dark objects)."},
        {"blur", 8, {"Kernel radius=2", "Pass-through rating=0"},
         "Rating 0 leaves the centre pixel out: each pixel becomes the mean of its neighbours only."},
        {"blur", 24, {"Kernel radius=3", "Pass-through rating=0.2"},
         "Colour frames are blurred channel by channel; colours do not bleed into each other."},

        {"gaussian", 8, {"Kernel radius=1"}, "A small Gaussian: grain and the finest text marks soften."},
        {"gaussian", 8, {"Kernel radius=5"},
         "Radius 5: fine lines and text smear out, while the salt-and-pepper dots become grey smudges rather "
         "than vanish (averaging spreads outliers; the median removes them)."},
        {"gaussian", 24, {"Kernel radius=3"}, "The same on the colour scene."},

        {"laplacian_high_boost_1", 8, {"High-boost coefficient=0"},
         "Coefficient 0: the bare Laplacian response, clamped to 0..255, so only one side of each edge shows."},
        {"laplacian_high_boost_1", 8, {"High-boost coefficient=1"},
         "Coefficient 1 adds the image back: a sharpened picture, with grain and noise sharpened too."},
        {"laplacian_high_boost_2", 8, {"High-boost coefficient=1"},
         "The 4-neighbour kernel: milder sharpening than the 8-neighbour ones."},
        {"laplacian_high_boost_2", 8, {"High-boost coefficient=3"},
         "A larger coefficient weights the image more against the edge response: a gentler boost, but the "
         "kernel is not normalised, so the whole picture brightens and clips."},
        {"laplacian_high_boost_3", 8, {"High-boost coefficient=1"},
         "The 8-neighbour kernel: the strongest edge response of the three."},
        {"laplacian_high_boost_3", 24, {"High-boost coefficient=1"}, "Sharpening the colour scene, channel by channel."},

        {"mean", 8, {"Kernel radius=1"}, "A 3 x 3 box average."},
        {"mean", 8, {"Kernel radius=5"}, "An 11 x 11 box: stronger and blockier smoothing than the Gaussian."},
        {"mean", 8, {"Kernel radius=15"},
         "A radius above the limit is clamped to 10, with a warning, and the run goes on."},

        {"median", 8, {"Neighbourhood radius=1"},
         "The 3 x 3 median removes the salt-and-pepper noise while edges stay sharp; the 1-pixel line and the "
         "smallest text marks suffer too."},
        {"median", 8, {"Neighbourhood radius=5"},
         "An 11 x 11 median wipes out everything thinner than about 5 pixels: text, thin lines, specks, pinholes."},
        {"median", 24, {"Neighbourhood radius=2"}, "On colour frames each channel is ranked on its own."},

        {"minimum", 8, {"Neighbourhood radius=1"}, "Dark areas grow by one pixel: lines thicken, the smallest pinholes close."},
        {"minimum", 8, {"Neighbourhood radius=3"}, "Radius 3: dark objects swell, the text merges into blocks."},
        {"minimum", 8, {"Neighbourhood radius=3", "Intensity=0.5"},
         "Intensity 0.5 blends the minimum half-and-half with the input."},
        {"minimum", 32, {"Neighbourhood radius=2"},
         "On colour frames the darkest whole pixel (by the sum of its colours) is taken, so no new colours "
         "appear. (The fourth byte, which the method sets to 1, is not shown.)"},

        {"maximum", 8, {"Neighbourhood radius=1"}, "Light areas grow: thin dark lines and text fade, pepper dots go."},
        {"maximum", 8, {"Neighbourhood radius=3"}, "Radius 3: only the large dark objects and the thickest lines survive, shrunk."},
        {"maximum", 8, {"Neighbourhood radius=3", "Intensity=0.5"}, "Half-and-half with the input."},

        {"extreme", 8, {"Neighbourhood radius=1"},
         "Each pixel moves to the neighbourhood's minimum or maximum, whichever is further from it: edges get "
         "steeper, as in a sharpening without overshoot."},
        {"extreme", 8, {"Neighbourhood radius=3"}, "Radius 3: flat areas stay flat, transitions become hard steps."},
        {"extreme", 24, {"Neighbourhood radius=2"}, "On colour, whole pixels are chosen by brightness."},

        {"skeletonization", 8, {"Threshold=0.3", "Maximum number of iterations=50"},
         "Threshold 0.3: the dark objects (below 30% of full scale) are thinned to one-pixel lines that keep "
         "their connections; the ring stays a loop, and the sphere's highlight makes a loop of its own."},
        {"skeletonization", 8, {"Threshold=0.3"},
         "The default of 20 thinning iterations: objects thicker than about 40 pixels are left half thinned."},
        {"skeletonization", 8, {"Threshold=0.55", "Maximum number of iterations=50"},
         "A high threshold also takes in the wall where the vignette darkens the corners, and their skeletons "
         "branch into the picture: correct the illumination first (see flat_field)."},

        {"edge", 8, {"Standard deviation=1", "Threshold=0.2"},
         "Edges of a lightly smoothed picture: one-pixel outlines along both sides of every line and mark; the "
         "low threshold also outlines the soft dust shadow, and the salt-and-pepper patch is all edges (a median "
         "first would clear it)."},
        {"edge", 8, {"Standard deviation=3", "Threshold=0.2"},
         "More smoothing before the gradient: outlines round off, small marks become rings and the text runs "
         "together."},
        {"edge", 8, {"Standard deviation=1", "Threshold=0.8"},
         "A high threshold keeps only the strong edges: the dust shadow's rim goes."},
        {"edge", 24, {"Standard deviation=1.5", "Threshold=0.5"}, "Colour frames are turned to grey first."},

        {"dilation", 8, {"Times to repeat=1", "Threshold=0.3"},
         "Dark objects (below the threshold) grow by one pixel in every direction; the result is black and white."},
        {"dilation", 8, {"Times to repeat=4", "Threshold=0.3"},
         "Four passes: objects grow by four pixels, nearby ones merge."},
        {"dilation", 8, {"Times to repeat=1", "Threshold=0.6"},
         "A high threshold counts the vignetted corners of the wall as objects too."},

        {"erosion", 8, {"Times to repeat=1", "Threshold=0.3"},
         "Objects shrink by one pixel: the 1-pixel line, the specks and the text vanish."},
        {"erosion", 8, {"Times to repeat=3", "Threshold=0.3"},
         "Three passes: only the large objects are left (a slanting line loses more than a pixel from each side "
         "per pass), and the thin neck between the two blobs breaks."},
        {"erosion", 24, {"Times to repeat=1", "Threshold=0.3"},
         "Colour frames are thresholded by the sum of their colours against three times the level."},

        {"opening", 8, {"Times to repeat=1", "Threshold=0.3"},
         "Erosion then dilation: specks and thin marks disappear, large objects keep their size."},
        {"opening", 8, {"Times to repeat=3", "Threshold=0.3"},
         "Three of each: the lines, the text and the neck between the blobs go; the large objects keep their "
         "shape."},

        {"closing", 8, {"Times to repeat=1", "Threshold=0.3"},
         "Dilation then erosion: the smallest pinholes and gaps in dark objects are filled."},
        {"closing", 8, {"Times to repeat=3", "Threshold=0.3"},
         "Three of each: the text merges into solid bars, the sphere's highlight is filled."},

        {"kernel_3x3", 8, {"Kernel source=0,-1,0,-1,5,-1,0,-1,0"},
         "A user kernel that sharpens (the 4-neighbour Laplacian plus the image)."},
        {"kernel_3x3", 8, {"Kernel source=-2,-1,0,-1,1,1,0,1,2"},
         "An emboss kernel: relief lit from the upper left."},
        {"kernel_3x3", 24, {"Kernel source=0.0625,0.125,0.0625,0.125,0.25,0.125,0.0625,0.125,0.0625"},
         "Weights are used as written (no normalisation): these sum to 1, a small blur."},

        {"kernel_5x5", 8, {"Kernel source=0.04,0.04,0.04,0.04,0.04,0.04,0.04,0.04,0.04,0.04,0.04,0.04,0.04,0.04,"
                           "0.04,0.04,0.04,0.04,0.04,0.04,0.04,0.04,0.04,0.04,0.04"},
         "Twenty-five weights of 0.04: a 5 x 5 box average."},
        {"kernel_5x5", 8, {"Kernel source=0.2,0,0,0,0,0,0.2,0,0,0,0,0,0.2,0,0,0,0,0,0.2,0,0,0,0,0,0.2"},
         "Weights on the diagonal only: motion blur along the diagonal."},

        {"kernel", 8,
         {"Kernel width=9", "Kernel height=1",
          "Kernel source=0.111,0.111,0.111,0.111,0.111,0.111,0.111,0.111,0.111"},
         "A 9 x 1 kernel: horizontal motion blur; horizontal lines stay, vertical detail smears."},
        {"kernel", 8, {"Kernel width=1", "Kernel height=9", "Kernel source=0.111,0.111,0.111,0.111,0.111,0.111,0.111,0.111,0.111"},
         "A 1 x 9 kernel: the same blur vertically."},
        {"kernel", 8, {"Kernel width=3", "Kernel height=3", "Kernel source=1,2,1"},
         "A kernel array shorter than width x height: the module warns and counts the missing weights as 0; "
         "the three given ones sum to 4 and are used as written, so most of the picture clips to white."},

        {"flat_field", 8, {}, "Dividing by the white frame removes the vignette and the dust shadows: the wall is "
                              "even from corner to corner, and a threshold now separates objects everywhere.",
         true},
        {"flat_field", 32, {},
         "At 32 bits the three colours share one gain per pixel, so the colour balance survives.", true},
    };
    return runs;
}

std::string PictureExtension() {
    // The Windows build writes no PNG; browsers show BMP files as well.
    Image probe;
    std::string error;
    std::vector<uint8_t> bytes;
    return MakeImage(1, 1, 8, &probe, &error) && EncodePng(probe, &bytes, &error) ? ".png" : ".bmp";
}


void WriteText(const fs::path& path, const std::string& text) {
    FILE* file = std::fopen(path.u8string().c_str(), "wb");
    bool ok = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file) ok = std::fclose(file) == 0 && ok;
    if (!ok) throw InputError("cannot write " + path.u8string());
}

std::string DepthLabel(int32_t bpp) {
    return bpp == 8 ? "8-bit grey" : std::to_string(bpp) + "-bit colour";
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

struct DemoContext {
    fs::path folder;
    std::string extension;
    SceneLayout layout;
    std::map<int32_t, Image> scenes, whites;
    std::map<int32_t, std::string> sceneFiles, whiteFiles;
    size_t step = 0, steps = 0;
    bool anyFailed = false;
    // Pictures for the page, written at the end by several threads (most of
    // the demo's time goes into compressing them).
    std::vector<std::pair<std::string, Image>> pictures;

    // 32-bit images lose their fourth byte so that a browser shows every
    // pixel opaque.
    void AddPicture(const std::string& name, const Image& image) {
        pictures.emplace_back(name, image.bpp == 32 ? ToRgb24(image) : image);
    }
};

void WritePictures(const DemoContext& demo) {
    std::mutex mutex;
    std::string firstError;
    RunOnWorkers(WorkerCount(0, demo.pictures.size()), demo.pictures.size(), [&](size_t, size_t i) {
        std::string error;
        if (!WriteImage((demo.folder / demo.pictures[i].first).u8string(), demo.pictures[i].second, &error)) {
            std::lock_guard<std::mutex> lock(mutex);
            if (firstError.empty()) firstError = error;
        }
    });
    if (!firstError.empty()) throw InputError(firstError);
}

GalleryRun RunOne(DemoContext& demo, const CatalogueMethod& method, const DemoRun& run, int number) {
    GalleryRun shown;
    shown.lesson = run.lesson;
    shown.input = {demo.sceneFiles.at(run.bpp), "input: the " + DepthLabel(run.bpp) + " scene"};
    std::vector<BoundParameter> parameters = BindParameters(method, run.parameters);
    for (const std::string& assignment : run.parameters) {
        size_t equals = assignment.find('=');
        shown.parameters.emplace_back(assignment.substr(0, equals), assignment.substr(equals + 1));
    }
    if (run.whiteFrame) {
        for (uint32_t k = 1; k < method.inputs.size(); ++k) {
            if (method.inputs[k].type != ParamTypeFrame) continue;
            BoundParameter white;
            white.inputIndex = k;
            white.name = method.inputs[k].name;
            white.image = std::make_shared<const Image>(demo.whites.at(run.bpp));
            parameters.push_back(white);
            shown.parameters.emplace_back(Utf8(white.name), demo.whiteFiles.at(run.bpp));
        }
    }
    MethodRunner runner(HostModule(), method, parameters);
    RunResult result = runner.Run(demo.scenes.at(run.bpp), kTimedRuns);
    shown.warnings = result.warnings;
    std::string progress = "[" + std::to_string(++demo.step) + "/" + std::to_string(demo.steps) + "] " +
                           Utf8(method.name) + " (" + std::to_string(run.bpp) + " bits)";
    for (const auto& p : shown.parameters) {
        size_t values = static_cast<size_t>(std::count(p.second.begin(), p.second.end(), ',')) + 1;
        progress += ", " + p.first + "=" + (values > 4 ? std::to_string(values) + " values" : p.second);
    }
    if (result.ok && result.hasOutput) {
        std::string name = Utf8(method.name) + "-" + std::to_string(number) + demo.extension;
        demo.AddPicture(name, result.output);
        shown.output = {name, "output: " + std::to_string(result.output.bpp) + " bits"};
        char time[64];
        std::snprintf(time, sizeof time, "%.2f ms",
                      *std::min_element(result.repeatMilliseconds.begin(), result.repeatMilliseconds.end()));
        shown.time = std::string(time) + " (the best of " + std::to_string(kTimedRuns) + " runs)";
        progress += ": " + std::string(time);
    } else {
        shown.error = result.ok ? "error: the method left no \"Output frame\"" : result.error;
        progress += ": " + shown.error;
        demo.anyFailed = true;
    }
    for (const std::string& warning : result.warnings) progress += " [warning: " + warning + "]";
    std::printf("%s\n", progress.c_str());
    std::fflush(stdout);
    return shown;
}

// Both scanners along two segments: across the sphere's rim and across the
// set of lines, on the grey scene; across the rim on the 32-bit scene with
// every colour byte plotted.
std::vector<GalleryFigure> RunScans(DemoContext& demo) {
    ka_iproc::PluginModule& module = HostModule();
    const ka_iproc::TLine rim = demo.layout.DiscEdgeLine(), lines = demo.layout.LineSetCrossing();
    std::vector<GalleryFigure> figures;
    std::string marked = "scan-lines" + demo.extension;
    demo.AddPicture(marked, DrawSegments(demo.scenes.at(8), {rim, lines}, {0xe3342f, 0x1f6feb}));
    figures.push_back({marked, "where the scans run: red across the sphere's rim, blue across the lines of "
                               "widths 1, 2, 3, 5 and 8 pixels"});

    struct Scan {
        const char* file;
        ka_iproc::TLine line;
        int32_t bpp;
        int mode;
        const char* what;
    };
    const Scan scans[] = {{"scan-rim-8.svg", rim, 8, 1, "the sphere's rim"},
                          {"scan-lines-8.svg", lines, 8, 1, "the lines of several widths"},
                          {"scan-rim-32.svg", rim, 32, 0, "the sphere's rim, 32-bit colour"}};
    for (const Scan& scan : scans) {
        const Image& image = demo.scenes.at(scan.bpp);
        ScanSettings settings;
        settings.line = scan.line;
        settings.mode = scan.mode;
        settings.bits = 8;
        std::string imageName = demo.sceneFiles.at(scan.bpp);
        LinePlot plot = ProfilePlot(settings, ScanImage(module, image, settings), image, imageName);
        settings.sharpen = true;
        LinePlot sharpened = ProfilePlot(settings, ScanImage(module, image, settings), image, imageName);
        // One plot with both profiles: a single sharpened series in orange,
        // sharpened colour bytes in a translucent shade of their plain colour.
        for (size_t i = 0; i < plot.series.size(); ++i) plot.series[i].label = "plain " + plot.series[i].label;
        for (PlotSeries& s : sharpened.series) {
            s.label = "sharpened " + s.label;
            s.colour = plot.series.size() == 1 ? "#f08c00" : s.colour + "88";
            plot.series.push_back(s);
        }
        plot.yMax = std::max(plot.yMax, sharpened.yMax);
        plot.exactY = plot.yMax <= 255;
        plot.title = std::string("Both line scanners across ") + scan.what;
        WriteText(demo.folder / scan.file, RenderSvg(plot));
        figures.push_back({scan.file, plot.title});
        std::printf("[%zu/%zu] scanners across %s\n", ++demo.step, demo.steps, scan.what);
        std::fflush(stdout);
    }
    return figures;
}

Gallery DescribeGallery(const DemoContext& demo) {
    Gallery gallery;
    gallery.title = "kafilters: what every method does";
    gallery.introduction =
        "<p>Every picture on this page was made by <code>kafilters demo</code>: it draws a sample scene, runs "
        "each method of the filter module on it through the module's exports, as a host does, and runs the two "
        "line scanners across edges. Each run shows the input beside the output, the parameters, the warnings "
        "the module issued and the time the method took. Click a picture to see it at full size.</p>";
    gallery.sceneNotes =
        "<p>The scene is drawn by code at " + std::to_string(demo.layout.width) + " x " +
        std::to_string(demo.layout.height) +
        " pixels, like a photograph of a wall: smooth shading from warm to cool, dark objects with soft edges "
        "(a shaded sphere with a highlight, a tilted block with pinholes, a ring, two blobs on a thin neck, "
        "small specks), parallel lines 1, 2, 3, 5 and 8 pixels wide, small text-like marks, a patch of "
        "salt-and-pepper noise crossed by a line, sensor grain, and an uneven illumination: a vignette that "
        "darkens the corners and two dust shadows. The white frame is a white card photographed under the same "
        "light, the calibration that <a href=\"#flat_field\">flat_field</a> divides by.</p>";
    gallery.scene = {{demo.sceneFiles.at(8), "the scene, 8-bit grey"},
                     {demo.sceneFiles.at(24), "the scene, 24-bit colour (the 32-bit one looks the same)"},
                     {demo.whiteFiles.at(8), "the white calibration frame"}};
    gallery.scanNotes =
        "<p>The module's two exported line scanners walk a segment in steps of about one pixel and report "
        "the bilinearly interpolated value at each step; the sharpening one interpolates a 3 x 3 sharpened "
        "image instead, so its profile shows steeper edges, with overshoot. Mode 1 reports the mean of the "
        "colours; mode 0 packs the bytes of a pixel, plotted here byte by byte.</p>";
    return gallery;
}

int RunDemo(const std::vector<std::string>& args) {
    Arguments parsed = ParseArguments(args, {});
    if (parsed.positional.size() > 1) throw UsageError("demo takes at most one OUTDIR");
    const auto started = std::chrono::steady_clock::now();
    DemoContext demo;
    demo.folder = fs::u8path(parsed.positional.empty() ? "demo-out" : parsed.positional[0]);
    std::error_code error;
    fs::create_directories(demo.folder, error);
    if (!fs::is_directory(demo.folder, error)) throw InputError("cannot make the folder " + demo.folder.u8string());
    const auto& catalogue = HostCatalogue();
    std::printf("module: %s (%zu methods)\n", ModulePath().c_str(), catalogue.size());

    demo.extension = PictureExtension();
    demo.layout = MakeSceneLayout(kSceneWidth, kSceneHeight);
    const std::vector<int32_t> depths = {8, 24, 32};
    std::vector<Image> scenes = MakeSceneImages(demo.layout, depths);
    for (size_t i = 0; i < depths.size(); ++i) {
        demo.scenes[depths[i]] = scenes[i];
        demo.sceneFiles[depths[i]] = "scene-" + std::to_string(depths[i]) + demo.extension;
        demo.AddPicture(demo.sceneFiles[depths[i]], scenes[i]);
    }
    for (int32_t bpp : {8, 32}) {
        demo.whites[bpp] = MakeWhiteFrame(demo.layout, bpp);
        demo.whiteFiles[bpp] = "white-" + std::to_string(bpp) + demo.extension;
        demo.AddPicture(demo.whiteFiles[bpp], demo.whites[bpp]);
    }
    std::printf("scene: %d x %d at 8, 24 and 32 bits, and its white calibration frame\n", kSceneWidth, kSceneHeight);

    // Methods the module has no object for yet are shown as such; the others
    // run every setting of the table.
    Gallery gallery = DescribeGallery(demo);
    demo.steps = 3;  // the scans
    for (const auto& method : catalogue) {
        GalleryMethod shown{Utf8(method.name), Utf8(method.description), Utf8(method.group), true, {}};
        shown.available = MethodRunner(HostModule(), method, {}).HasObject();
        for (const DemoRun& run : DemoRuns()) demo.steps += shown.available && shown.name == run.method;
        gallery.methods.push_back(shown);
    }
    size_t available = 0;
    for (size_t m = 0; m < catalogue.size(); ++m) {
        GalleryMethod& shown = gallery.methods[m];
        if (!shown.available) {
            std::printf("%s: not available (the module has no object for it yet)\n", shown.name.c_str());
            continue;
        }
        ++available;
        for (const DemoRun& run : DemoRuns()) {
            if (shown.name == run.method) {
                shown.runs.push_back(RunOne(demo, catalogue[m], run, static_cast<int>(shown.runs.size()) + 1));
            }
        }
    }
    gallery.scans = RunScans(demo);
    std::printf("writing %zu pictures\n", demo.pictures.size());
    std::fflush(stdout);
    WritePictures(demo);

    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    gallery.footer = "Made by kafilters demo with the module " + ModulePath() + ": " + std::to_string(available) +
                     " of " + std::to_string(catalogue.size()) + " methods available, " + Seconds(seconds) +
                     " in all.";
    fs::path page = demo.folder / "index.html";
    WriteText(page, RenderGalleryHtml(gallery));
    std::printf("gallery: %s\n", fs::absolute(page, error).u8string().c_str());
    return demo.anyFailed ? kExitMethodFailed : kExitSuccess;
}

const Command kDemo{
    "demo", "run every method on a built-in sample scene and write an HTML gallery",
    "usage: kafilters demo [OUTDIR]\n"
    "\n"
    "Draws a sample scene (no image file needed) and its white calibration\n"
    "frame, runs each method of the module on it with a few settings that show\n"
    "what the method does, runs both line scanners across edges, and writes\n"
    "every result as a picture into OUTDIR (default demo-out) with the gallery\n"
    "OUTDIR/index.html: input beside output, the method's name and description,\n"
    "the parameters, the warnings, the time, and the scan profiles as SVG plots.\n"
    "Methods the module has no object for are shown as not available.\n"
    "\n"
    "Prints a line per run and, last, the path of the gallery. Exit status: 0\n"
    "success, 1 a method failed (the gallery is still written), 2 the folder or\n"
    "the module cannot be used.\n",
    &RunDemo, 5};

const CommandRegistration kRegisterDemo(kDemo);

}  // namespace

}  // namespace kaf_tool
