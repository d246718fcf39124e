// `kafilters run METHOD INPUT OUTPUT [-p NAME=VALUE]... [--repeat N]`.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "arguments.h"
#include "batch_runner.h"
#include "command.h"
#include "frame_image.h"
#include "module_loader.h"
#include "run_job.h"
#include "tool_error.h"
#include "worker_pool.h"

namespace kaf_tool {

namespace {

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

void CheckWritableFormat(const std::string& path) {
    ImageFormat format = FormatFromPath(path);
    if (format == ImageFormat::Unknown || format == ImageFormat::Jpeg) {
        throw UsageError("cannot write '" + path + "': OUTPUT must end in one of " + kWritableExtensions);
    }
}

// --shard K/N, with 1 <= K <= N.
void ParseShard(const std::string& text, RunRequest* request) {
    size_t slash = text.find('/');
    if (slash == std::string::npos) throw UsageError("--shard needs K/N (part K of N, from 1), got '" + text + "'");
    int64_t count = ParseInteger(text.substr(slash + 1), "--shard N", 1, 1000000);
    int64_t index = ParseInteger(text.substr(0, slash), "--shard K", 1, count);
    request->shardIndex = static_cast<size_t>(index - 1);
    request->shardCount = static_cast<size_t>(count);
}

int RunRun(const std::vector<std::string>& args) {
    Arguments parsed = ParseArguments(args, {{"--param", "-p", true},
                                             {"--repeat", nullptr, true},
                                             {"--jobs", "-j", true},
                                             {"--shard", nullptr, true}});
    if (parsed.positional.size() != 3) {
        throw UsageError("run needs METHOD INPUT OUTPUT (got " + std::to_string(parsed.positional.size()) +
                         " arguments)");
    }
    RunRequest request;
    request.input = parsed.positional[1];
    request.output = parsed.positional[2];
    // --repeat N: the method runs once, then N more times; the N repeated
    // runs are the timed ones, so the line says "over N runs".
    if (const std::string* repeat = parsed.Value("--repeat")) {
        request.repeat = static_cast<int>(ParseInteger(*repeat, "--repeat", 1, 1000000));
    }
    if (const std::string* jobs = parsed.Value("--jobs")) {
        request.jobs = static_cast<int>(ParseInteger(*jobs, "--jobs", 1, 256));
    }
    bool batch = IsDirectory(request.input);
    if (!batch) CheckWritableFormat(request.output);
    if (const std::string* shard = parsed.Value("--shard")) {
        if (!batch) throw UsageError("--shard splits a folder; INPUT '" + request.input + "' is not one");
        ParseShard(*shard, &request);
    }
    BatchPlan plan;
    if (batch) {
        // The folder is listed before the module loads: the module's threads
        // per worker are set then.
        plan = PlanBatch(request);
        LimitModuleThreads(plan.workers);
    }
    request.method = &FindHostMethod(parsed.positional[0]);
    request.parameters = BindParameters(*request.method, parsed.Values("--param"));
    if (batch) return RunBatch(request, plan);

    Image input = LoadImageOrThrow(request.input);
    RunResult result = RunOnImage(HostModule(), *request.method, input, request.parameters, request.repeat);
    for (const std::string& warning : result.warnings) std::fprintf(stderr, "warning: %s\n", warning.c_str());
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", result.error.c_str());
        return kExitMethodFailed;
    }
    if (!result.hasOutput) {
        std::fprintf(stderr, "error: the method left no \"Output frame\"\n");
        return kExitMethodFailed;
    }
    std::string error;
    if (!WriteImage(request.output, result.output, &error)) throw InputError(error);
    if (request.repeat > 0) std::fprintf(stderr, "%s\n", TimingLine(result.repeatMilliseconds).c_str());
    return kExitSuccess;
}

const Command kRun{
    "run", "run a method on an image file, or on every image in a folder",
    "usage: kafilters run METHOD INPUT OUTPUT [-p NAME=VALUE]... [--repeat N]\n"
    "       kafilters run METHOD INPUT_DIR OUTPUT_DIR [-p NAME=VALUE]... [-j N] [--shard K/N]\n"
    "\n"
    "Runs METHOD (a name from `kafilters list`) on the image INPUT and writes\n"
    "the method's output frame to OUTPUT.\n"
    "\n"
    "With a folder as INPUT, runs METHOD with the same parameters on every image\n"
    "file in it (by extension; sub-folders are not entered) and writes each\n"
    "result under the input's name into OUTPUT_DIR (made when missing); a JPEG\n"
    "input's result is written as PNG. Several files run at a time, each worker\n"
    "with its own method object. Progress goes to stderr: a bar (files done,\n"
    "rate, time left) on a terminal, one line per file otherwise. A file that\n"
    "fails is reported with its name and the reason and the others go on; each\n"
    "warning text is shown once. Exit status 0 when every file was written, 1\n"
    "when any failed.\n"
    "\n"
    "Images are chosen by extension:\n"
    "  .bmp        read and written in storage order (rows as stored, never\n"
    "              flipped); 8-bit values are the stored palette indices and\n"
    "              8-bit output gets a grey palette; 24 and 32 bits keep their\n"
    "              depth and the fourth byte; 1-, 4- and 16-bit files give\n"
    "              frames of that depth\n"
    "  .png        grey, RGB, RGBA (grey+alpha reads as RGBA); 16-bit samples\n"
    "              are reduced to 8; row 0 at the top\n"
    "  .pgm .ppm .pnm .pam\n"
    "              P2, P3, P5, P6, P7 read; written as P5 (8 bits), P6 (24)\n"
    "              or P7 RGB_ALPHA (32); row 0 at the top\n"
    "  .tif .tiff  8-bit grey, RGB and RGBA, in strips or tiles (other grey\n"
    "              layouts read as grey, other colour ones as RGB or RGBA);\n"
    "              16-bit and floating-point samples are refused; written as\n"
    "              LZW strips; row 0 at the top\n"
    "  .jpg .jpeg  read only\n"
    "Colour pixels are handed to the methods as blue, green, red (, fourth byte).\n"
    "\n"
    "  -p, --param NAME=VALUE\n"
    "           set a method input: NAME is the input's name (any letter case)\n"
    "           or its index from `kafilters info METHOD`; VALUE is a number\n"
    "           (1e12, -0.5, nan, inf), a comma-separated list of numbers (an\n"
    "           array), or for a frame input an image path. Inputs not given\n"
    "           take the method's defaults.\n"
    "  --repeat N\n"
    "           after the first run, run the method N more times and print\n"
    "           \"time: median X ms, min Y ms over N runs\" on stderr (method\n"
    "           time only, no file input or output); a single image only\n"
    "  -j, --jobs N\n"
    "           with a folder INPUT, run N files at a time (default: one per\n"
    "           processor); each worker's method then uses processors / N\n"
    "           threads, unless OMP_NUM_THREADS is set\n"
    "  --shard K/N\n"
    "           with a folder INPUT, process only part K (1 to N) of N disjoint\n"
    "           parts of its image files: in name order, part K takes the\n"
    "           files K, K + N, K + 2N, ..., so N runs given K = 1 to N (on one\n"
    "           machine or many, seeing the same folder) together process\n"
    "           every file exactly once\n"
    "\n"
    "Warnings go to stderr as \"warning: TEXT\". Exit status: 0 success, 1 the\n"
    "method failed (its error text on stderr), 2 usage error or unusable file.\n",
    &RunRun, 30};

const CommandRegistration kRegisterRun(kRun);

}  // namespace

}  // namespace kaf_tool
