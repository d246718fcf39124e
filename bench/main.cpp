// kaf_bench: every method of the module, run through its exports with the
// stand-in host exactly as a host runs it, beside the closest OpenCV
// operation on the same pixels with the same number of threads; plus memcpy
// of each frame size (the memory-bandwidth floor) and the two line scanners'
// throughput. Prints one table and writes it as CSV.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "cases.h"
#include "host_api.h"
#include "pictures.h"

namespace kaf_bench {
namespace {

using ka_iproc::MethodInstance;
using ka_iproc::ParameterList;
using ka_iproc::PluginModule;
using ka_iproc::Session;

struct Options {
    std::string modulePath = KAF_MODULE_PATH;
    std::string filter;  // regular expression searched in "method/depth/size/radius"
    std::vector<int> threads;
    std::string csvPath = "bench-out/results.csv";
    double minTime = 0.2;  // seconds of timed runs per benchmark (at least one run)
    int repetitions = 1;   // the fastest repetition is reported
};

struct FrameShape {
    int32_t bitsPerPixel;
    int32_t width;
    int32_t height;
};

const FrameShape kShapes[] = {{8, 4096, 4096}, {24, 2048, 2048}, {32, 2048, 2048}};

std::string DepthLabel(int32_t bpp) { return std::to_string(bpp) + "-bit"; }
std::string SizeLabel(const FrameShape& s) { return std::to_string(s.width) + "x" + std::to_string(s.height); }

// One line of the table. Times are per run in milliseconds; negative means
// not measured.
struct Row {
    std::string method;
    FrameShape shape;
    int radius = -1;  // -1: the method has none
    int threads = 1;
    double oursMs = -1;
    double peerMs = -1;
    double samplesPerRun = 0;  // line scanners only
    std::string error;
};

std::vector<Row> gRows;
// Benchmark name -> (row, true for the peer side).
std::map<std::string, std::pair<size_t, bool>> gSides;
std::unique_ptr<PluginModule> gModule;

void UseThreads(int threads) {
    omp_set_num_threads(threads);
    cv::setNumThreads(threads);
}

cv::Mat WrapPicture(const Picture& p) {
    return cv::Mat(p.height, p.width, CV_8UC(p.bitsPerPixel / 8), const_cast<uint8_t*>(p.rows.data()),
                   size_t(p.stride));
}

FrameHandle AddPictureFrame(Session& session, const std::u16string& name, const Picture& p) {
    FrameHandle frame = session.AddFrame(name, p.width, p.height, p.bitsPerPixel);
    if (frame) ka_iproc::SetFramePixels(frame, p.rows);
    return frame;
}

void RunOurs(benchmark::State& state, const MethodCase& method, uint32_t index, const Row& row) {
    UseThreads(row.threads);
    const FrameShape& s = row.shape;
    Session session;
    std::vector<std::u16string> names = {u"in"};
    bool framesOk = AddPictureFrame(session, u"in", GetPicture(method.workload, s.bitsPerPixel, s.width, s.height));
    const std::vector<Argument> arguments = method.arguments(row.radius);
    for (size_t k = 0; k < arguments.size(); ++k) {
        const std::u16string name = u"p" + ka_iproc::Utf16(std::to_string(k + 1));
        names.push_back(name);
        const Argument& a = arguments[k];
        if (a.kind == Argument::Kind::Number)
            session.AddNumber(name, a.number);
        else if (a.kind == Argument::Kind::Array)
            session.AddArray(name, a.array);
        else
            framesOk = AddPictureFrame(session, name,
                                       GetPicture(Workload::VignettedWhite, s.bitsPerPixel, s.width, s.height)) &&
                       framesOk;
    }
    if (!framesOk) {
        state.SkipWithError("the host could not make the frames");
        return;
    }
    ParameterList inputs(names);
    ParameterList outputs({u"out"});
    MethodInstance instance(*gModule, index);
    std::u16string error;
    // The first run builds kernels, scratch frames and the output frame, as
    // a host's first run of a new object does; it is not timed.
    if (!instance.Run(session, inputs, outputs, &error)) {
        state.SkipWithError(("run failed: " + ka_iproc::Utf8(error)).c_str());
        return;
    }
    for (auto _ : state) {
        instance.Run(session, inputs, outputs, &error);
    }
}

void RunPeer(benchmark::State& state, const MethodCase& method, const Row& row) {
    UseThreads(row.threads);
    const FrameShape& s = row.shape;
    PeerInput input;
    input.source = WrapPicture(GetPicture(method.workload, s.bitsPerPixel, s.width, s.height));
    if (method.workload == Workload::VignettedScene)
        input.white = WrapPicture(GetPicture(Workload::VignettedWhite, s.bitsPerPixel, s.width, s.height));
    std::function<void()> peer;
    try {
        peer = method.peer(input, row.radius);
        peer();  // first call: OpenCV's lazy set-up and thread pool, untimed
    } catch (const cv::Exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    for (auto _ : state) {
        peer();
    }
}

// The bandwidth floor: one frame's pixel bytes copied with the same number
// of threads, each copying its own contiguous share.
void RunMemcpy(benchmark::State& state, const Row& row) {
    UseThreads(row.threads);
    const Picture& p = GetPicture(Workload::Noise, row.shape.bitsPerPixel, row.shape.width, row.shape.height);
    const size_t bytes = p.rows.size();
    std::vector<uint8_t> target(bytes, 1);
    const int parts = row.threads;
    for (auto _ : state) {
#pragma omp parallel for schedule(static)
        for (int part = 0; part < parts; ++part) {
            const size_t begin = bytes * size_t(part) / size_t(parts);
            const size_t end = bytes * size_t(part + 1) / size_t(parts);
            std::memcpy(target.data() + begin, p.rows.data() + begin, end - begin);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

// Line scanners: a fixed batch of seeded segments across the frame; the
// callback only counts and sums so that the scan itself dominates.
uint64_t gScanSamples = 0;
uint64_t gScanSum = 0;
unsigned char KA_SCAN_CALLBACK CountSample(unsigned int, float, float, unsigned int value) {
    ++gScanSamples;
    gScanSum += value;
    return 1;
}

using Scanner = decltype(PluginModule::ScanLineSubPixelPrecision);

void RunScanner(benchmark::State& state, Scanner scan, Row& row) {
    const FrameShape& s = row.shape;
    Session session;
    FrameHandle frame =
        AddPictureFrame(session, u"in", GetPicture(Workload::DarkObjects, s.bitsPerPixel, s.width, s.height));
    if (!frame) {
        state.SkipWithError("the host could not make the frame");
        return;
    }
    std::mt19937 random(2024);
    std::vector<ka_iproc::TLine> lines(1000);
    for (auto& line : lines) {
        line.x1 = (random() % (uint32_t(s.width) * 16)) / 16.0;
        line.y1 = (random() % (uint32_t(s.height) * 16)) / 16.0;
        line.x2 = (random() % (uint32_t(s.width) * 16)) / 16.0;
        line.y2 = (random() % (uint32_t(s.height) * 16)) / 16.0;
    }
    // A region larger than the frame, turned a little, so every sample is
    // interpolated and the rotation terms are in use.
    const double side = 2.0 * (s.width + s.height);
    ka_iproc::TRectangularRegion region{s.width / 2.0, s.height / 2.0, side, side, 10.0};
    auto* bitmap = static_cast<tagBITMAPINFOHEADER*>(frame);
    const int channelMode = 1;  // grey, or the mean of blue, green and red
    const int subPixelBits = 8;
    gScanSamples = 0;
    for (auto _ : state) {
        for (const auto& line : lines) scan(bitmap, &region, line, channelMode, 0, subPixelBits, &CountSample);
    }
    benchmark::DoNotOptimize(gScanSum);
    if (state.iterations() > 0) row.samplesPerRun = double(gScanSamples) / double(state.iterations());
    state.SetItemsProcessed(int64_t(gScanSamples));
}

std::string RowKey(const Row& row) {
    std::string key = row.method + "/" + DepthLabel(row.shape.bitsPerPixel) + "/" + SizeLabel(row.shape);
    if (row.radius >= 0) key += "/r" + std::to_string(row.radius);
    return key + "/t" + std::to_string(row.threads);
}

template <class Body>
void Register(const Row& row, bool peer, const Options& options, Body body, int minRepetitions = 1) {
    const std::string name = RowKey(row) + (peer ? "/peer" : "/ours");
    gSides[name] = {gRows.size() - 1, peer};
    auto* b = benchmark::RegisterBenchmark(name.c_str(), body);
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(options.minTime);
    const int repetitions = std::max(options.repetitions, minRepetitions);
    if (repetitions > 1) b->Repetitions(repetitions);
}

// Registers everything to run; returns the methods that were skipped.
std::vector<std::string> RegisterAll(const Options& options) {
    const std::regex filter(options.filter);
    auto wanted = [&](const Row& row) { return options.filter.empty() || std::regex_search(RowKey(row), filter); };

    for (const FrameShape& shape : kShapes) {
        for (int threads : options.threads) {
            Row row;
            row.method = "memcpy";
            row.shape = shape;
            row.threads = threads;
            gRows.push_back(row);
            // Short and noisy on a shared machine: always the best of three.
            Register(
                row, false, options, [at = gRows.size() - 1](benchmark::State& st) { RunMemcpy(st, gRows[at]); }, 3);
        }
    }

    std::vector<std::string> skipped;
    for (const MethodCase& method : MethodCases()) {
        const int32_t index = gModule->FindMethod(ka_iproc::Utf16(method.name));
        if (index < 0) {
            skipped.push_back(method.name + " (not in the catalogue)");
            continue;
        }
        {
            MethodInstance probe(*gModule, uint32_t(index));
            if (probe.Handle() == 0) {
                skipped.push_back(method.name);
                continue;
            }
        }
        std::vector<int> radii = method.radii.empty() ? std::vector<int>{-1} : method.radii;
        for (const FrameShape& shape : kShapes) {
            for (int radius : radii) {
                for (int threads : options.threads) {
                    Row row;
                    row.method = method.name;
                    row.shape = shape;
                    row.radius = radius;
                    row.threads = threads;
                    if (!wanted(row)) continue;
                    gRows.push_back(row);
                    const size_t at = gRows.size() - 1;
                    const MethodCase* m = &method;
                    Register(row, false, options, [m, index, at](benchmark::State& st) {
                        RunOurs(st, *m, uint32_t(index), gRows[at]);
                    });
                    Register(row, true, options, [m, at](benchmark::State& st) { RunPeer(st, *m, gRows[at]); });
                }
            }
        }
    }

    const std::pair<const char*, Scanner> scanners[] = {
        {"scan_line", gModule->ScanLineSubPixelPrecision},
        {"scan_line_sharpening", gModule->ScanLineSubPixelPrecisionWithSharpening},
    };
    for (const auto& [name, scan] : scanners) {
        if (!scan) {
            skipped.push_back(std::string(name) + " (export absent)");
            continue;
        }
        for (const FrameShape& shape : kShapes) {
            if (shape.bitsPerPixel == 24) continue;  // the scanners read 8 and 32 bits only
            Row row;
            row.method = name;
            row.shape = shape;
            row.threads = 1;  // the scanners run on the caller's thread
            if (!wanted(row)) continue;
            gRows.push_back(row);
            Register(row, false, options, [scan = scan, at = gRows.size() - 1](benchmark::State& st) {
                RunScanner(st, scan, gRows[at]);
            });
        }
    }
    return skipped;
}

// Collects each benchmark's time into its row (the fastest repetition: on a
// shared machine interference only ever adds time) and shows progress.
class RowReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            const std::string name = run.run_name.function_name;  // without the option suffixes
            auto found = gSides.find(name);
            if (found == gSides.end()) continue;
            Row& row = gRows[found->second.first];
            if (run.error_occurred) {
                row.error = run.error_message;
                std::fprintf(stderr, "  %-48s skipped: %s\n", name.c_str(), run.error_message.c_str());
                continue;
            }
            const double ms = run.GetAdjustedRealTime();  // the unit is milliseconds
            double& slot = found->second.second ? row.peerMs : row.oursMs;
            slot = slot < 0 ? ms : std::min(slot, ms);
            std::fprintf(stderr, "  %-48s %10.3f ms\n", name.c_str(), ms);
        }
    }
};

std::string Fixed(double value, int decimals) {
    if (value < 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

double MemcpyMs(const Row& row) {
    for (const Row& m : gRows) {
        if (m.method == "memcpy" && m.shape.bitsPerPixel == row.shape.bitsPerPixel &&
            m.shape.width == row.shape.width && m.threads == row.threads)
            return m.oursMs;
    }
    return -1;
}

std::vector<std::vector<std::string>> TableCells() {
    std::vector<std::vector<std::string>> cells;
    for (const Row& row : gRows) {
        const double memcpyMs = MemcpyMs(row);
        const bool scanner = row.samplesPerRun > 0;
        const bool ok = row.oursMs > 0;
        cells.push_back({
            row.method,
            DepthLabel(row.shape.bitsPerPixel),
            SizeLabel(row.shape),
            row.radius >= 0 ? std::to_string(row.radius) : "-",
            std::to_string(row.threads),
            Fixed(row.oursMs, 3),
            Fixed(row.peerMs, 3),
            ok && row.peerMs > 0 ? Fixed(row.oursMs / row.peerMs, 2) : "-",
            ok && !scanner && memcpyMs > 0 ? Fixed(row.oursMs / memcpyMs, 1) : "-",
            ok && scanner ? Fixed(row.samplesPerRun / row.oursMs / 1000.0, 2) : "-",
        });
    }
    return cells;
}

const std::vector<std::string> kHeader = {"method",    "depth",     "size",      "radius",      "threads",
                                          "ours (ms)", "peer (ms)", "ours/peer", "ours/memcpy", "Msamples/s"};
const std::vector<std::string> kCsvHeader = {"method",  "depth",   "size",          "radius",
                                             "threads", "ours_ms", "peer_ms",       "ours_per_peer",
                                             "ours_per_memcpy", "msamples_per_s"};

// A Markdown table, so the same text reads well in a terminal and in the
// README.
void PrintTable(const std::vector<std::vector<std::string>>& cells) {
    std::vector<size_t> width(kHeader.size());
    for (size_t c = 0; c < kHeader.size(); ++c) width[c] = kHeader[c].size();
    for (const auto& line : cells)
        for (size_t c = 0; c < line.size(); ++c) width[c] = std::max(width[c], line[c].size());
    auto print = [&](const std::vector<std::string>& line) {
        std::printf("|");
        for (size_t c = 0; c < line.size(); ++c) {
            const bool number = c >= 3;
            std::printf(number ? " %*s |" : " %-*s |", int(width[c]), line[c].c_str());
        }
        std::printf("\n");
    };
    print(kHeader);
    std::printf("|");
    for (size_t c = 0; c < kHeader.size(); ++c)
        std::printf("%s%s|", std::string(width[c] + 1, '-').c_str(), c >= 3 ? ":" : "-");
    std::printf("\n");
    for (const auto& line : cells) print(line);
}

bool WriteCsv(const std::string& path, const std::vector<std::vector<std::string>>& cells) {
    std::ofstream out(path);
    if (!out) return false;
    auto write = [&](const std::vector<std::string>& line) {
        for (size_t c = 0; c < line.size(); ++c) out << (c ? "," : "") << (line[c] == "-" ? "" : line[c]);
        out << "\n";
    };
    write(kCsvHeader);
    for (const auto& line : cells) write(line);
    return bool(out);
}

std::vector<int> ParseThreads(const std::string& text) {
    std::vector<int> threads;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty() && std::stoi(item) > 0) threads.push_back(std::stoi(item));
    return threads;
}

const char kUsage[] =
    "usage: kaf_bench [--filter=REGEX] [--threads=N[,N...]] [--min-time=SECONDS] [--repetitions=N]\n"
    "                 [--csv=PATH] [--module=PATH] [Google Benchmark flags]\n"
    "  --filter       run only rows whose key method/depth/size/rRADIUS/tTHREADS matches\n"
    "                 (memcpy rows always run); e.g. --filter=median or --filter='^mean/8-bit'\n"
    "  --threads      thread counts for the module and OpenCV alike (default: all processors)\n"
    "  --min-time     timed seconds per benchmark, at least one run (default 0.2)\n"
    "  --repetitions  repeat each benchmark and keep the fastest (default 1)\n";

// Takes this program's own flags out of argv; Google Benchmark gets the rest.
bool ParseOptions(int& argc, char** argv, Options& options) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* flag, std::string& out) {
            const std::string prefix = std::string(flag) + "=";
            if (arg.rfind(prefix, 0) != 0) return false;
            out = arg.substr(prefix.size());
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return false;
        } else if (value("--filter", v)) {
            options.filter = v;
        } else if (value("--threads", v)) {
            options.threads = ParseThreads(v);
        } else if (value("--min-time", v)) {
            options.minTime = std::stod(v);
        } else if (value("--repetitions", v)) {
            options.repetitions = std::max(1, std::stoi(v));
        } else if (value("--csv", v)) {
            options.csvPath = v;
        } else if (value("--module", v)) {
            options.modulePath = v;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    if (options.threads.empty()) options.threads = {omp_get_num_procs()};
    return true;
}

int Main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return 0;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

    std::string error;
    gModule = PluginModule::Load(options.modulePath, &error);
    if (!gModule) {
        std::fprintf(stderr, "kaf_bench: cannot load %s: %s\n", options.modulePath.c_str(), error.c_str());
        return 1;
    }
    gModule->Init();
    const std::vector<std::string> skipped = RegisterAll(options);

    RowReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto cells = TableCells();
    std::printf("\n");
    PrintTable(cells);
    if (!skipped.empty()) {
        std::printf("\nnot measured (InitMethod returned 0 or the export is missing):");
        for (const auto& name : skipped) std::printf(" %s", name.c_str());
        std::printf("\n");
    }
    int status = 0;
    if (!options.csvPath.empty()) {
        if (WriteCsv(options.csvPath, cells)) {
            std::printf("CSV written to %s\n", options.csvPath.c_str());
        } else {
            std::fprintf(stderr, "kaf_bench: cannot write %s\n", options.csvPath.c_str());
            status = 1;
        }
    }
    gModule->Done();
    return status;
}

}  // namespace
}  // namespace kaf_bench

int main(int argc, char** argv) { return kaf_bench::Main(argc, argv); }
