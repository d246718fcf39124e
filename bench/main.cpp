// kaf_bench: every method of the module, run through its exports with the
// stand-in host exactly as a host runs it, beside the closest OpenCV
// operation on the same pixels with the same number of threads; plus memcpy
// of each frame size (the memory-bandwidth floor) and the two line scanners'
// throughput. Prints one table and writes it as CSV.
#include <benchmark/benchmark.h>
#include <omp.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
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
    std::string filter;  // regular expression searched in "method/depth/size/rRADIUS/tTHREADS"
    std::vector<int> threads;
    std::string csvPath = "bench-out/results.csv";
    double minTime = 0.5;  // seconds of timed runs per benchmark (at least one run)
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

// One line of the table. Times are per run in milliseconds, the fastest
// seen; negative means not measured.
struct Row {
    std::string method;
    FrameShape shape;
    int radius = -1;  // -1: the method has none
    int threads = 1;
    double oursMs = -1;
    double peerMs = -1;
    double memcpyMs = -1;      // the input frame copied in the same loop as ours and peer
    double hostMs = -1;        // the host's part of ours: fetching the output frame, in the same loop
    double samplesPerRun = 0;  // line scanners only
    std::string error;
};

std::vector<Row> gRows;
std::map<std::string, size_t> gRowOfBenchmark;
std::unique_ptr<PluginModule> gModule;

void KeepFastest(double& slot, double ms) { slot = slot < 0 ? ms : std::min(slot, ms); }

class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    // Milliseconds since the last lap (or construction).
    double Lap() {
        const auto now = std::chrono::steady_clock::now();
        const double ms = std::chrono::duration<double, std::milli>(now - start_).count();
        start_ = now;
        return ms;
    }

private:
    std::chrono::steady_clock::time_point start_;
};

void UseThreads(int threads) {
    omp_set_num_threads(threads);
    cv::setNumThreads(threads);
}

// The bandwidth floor: the bytes copied by the given number of threads, each
// copying its own contiguous share.
void ParallelCopy(uint8_t* target, const uint8_t* source, size_t bytes, int parts) {
#pragma omp parallel for schedule(static)
    for (int part = 0; part < parts; ++part) {
        const size_t begin = bytes * size_t(part) / size_t(parts);
        const size_t end = bytes * size_t(part + 1) / size_t(parts);
        std::memcpy(target + begin, source + begin, end - begin);
    }
    benchmark::ClobberMemory();
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

// The module's side: a host session holding the input frame and the
// method's parameters, and one method object, run through RunMethod.
class HostRun {
public:
    bool Prepare(const MethodCase& method, uint32_t index, const Row& row, std::string* error) {
        const FrameShape& s = row.shape;
        std::vector<std::u16string> names = {u"in"};
        bool framesOk =
            AddPictureFrame(session_, u"in", GetPicture(method.workload, s.bitsPerPixel, s.width, s.height));
        const std::vector<Argument> arguments = method.arguments(row.radius);
        for (size_t k = 0; k < arguments.size(); ++k) {
            const std::u16string name = u"p" + ka_iproc::Utf16(std::to_string(k + 1));
            names.push_back(name);
            const Argument& a = arguments[k];
            if (a.kind == Argument::Kind::Number) {
                session_.AddNumber(name, a.number);
            } else if (a.kind == Argument::Kind::Array) {
                session_.AddArray(name, a.array);
            } else {
                const Picture& white = GetPicture(Workload::VignettedWhite, s.bitsPerPixel, s.width, s.height);
                framesOk = AddPictureFrame(session_, name, white) && framesOk;
            }
        }
        if (!framesOk) {
            *error = "the host could not make the frames";
            return false;
        }
        inputs_ = ParameterList(names);
        instance_ = std::make_unique<MethodInstance>(*gModule, index);
        return true;
    }

    bool Run(std::string* error) {
        std::u16string text;
        if (instance_->Run(session_, inputs_, outputs_, &text)) return true;
        *error = "run failed: " + ka_iproc::Utf8(text);
        return false;
    }

private:
    Session session_;
    ParameterList inputs_;
    ParameterList outputs_{{u"out"}};
    std::unique_ptr<MethodInstance> instance_;
};

// One row: a memcpy of the input frame, the module's run, the peer's and the
// host's part of a run, taken in turn inside the same loop so that a burst of
// load on a shared machine hits all four alike. The fastest of each is kept.
// The module and the peer take turns at running first: the run right after
// the copy also writes the copy's lines back to memory as it pushes them out
// of the cache, which cost whichever always came first a few per cent.
void RunPair(benchmark::State& state, const MethodCase& method, uint32_t index, Row& row) {
    UseThreads(row.threads);
    const FrameShape& s = row.shape;
    const Picture& picture = GetPicture(method.workload, s.bitsPerPixel, s.width, s.height);
    std::string error;
    HostRun host;
    PeerInput input;
    input.source = WrapPicture(picture);
    if (method.workload == Workload::VignettedScene)
        input.white = WrapPicture(GetPicture(Workload::VignettedWhite, s.bitsPerPixel, s.width, s.height));
    std::function<void()> peer;
    try {
        peer = method.peer(input, row.radius);
        // First calls, untimed: the method object builds its kernels and
        // scratch frames and the host hands out the output frame, as on a
        // host's first run of a new object; OpenCV does its lazy set-up.
        if (host.Prepare(method, index, row, &error) && host.Run(&error)) peer();
    } catch (const cv::Exception& e) {
        error = e.what();
    }
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::vector<uint8_t> copy(picture.rows.size(), 1);
    // The host's own part of a run, timed apart: the output frame a run asks
    // the host for, through the same call, after a first run has made it.
    Session hostPart;
    FrameHandle hostFrame = nullptr;
    auto fetchOutputFrame = [&] {
        GetOutputFrame(hostPart.Handle(), 63, u"out", &hostFrame, s.width, s.height, s.bitsPerPixel);
    };
    fetchOutputFrame();
    bool oursFirst = true;
    for (auto _ : state) {
        Stopwatch watch;
        ParallelCopy(copy.data(), picture.rows.data(), copy.size(), row.threads);
        const double memcpyMs = watch.Lap();
        double oursMs = 0, peerMs = 0;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == oursFirst) {
                host.Run(&error);
                oursMs = watch.Lap();
            } else {
                peer();
                peerMs = watch.Lap();
            }
        }
        oursFirst = !oursFirst;
        fetchOutputFrame();
        const double hostMs = watch.Lap();
        state.SetIterationTime((memcpyMs + oursMs + peerMs + hostMs) / 1000.0);
        KeepFastest(row.memcpyMs, memcpyMs);
        KeepFastest(row.oursMs, oursMs);
        KeepFastest(row.peerMs, peerMs);
        KeepFastest(row.hostMs, hostMs);
    }
}

void RunMemcpy(benchmark::State& state, Row& row) {
    UseThreads(row.threads);
    const Picture& p = GetPicture(Workload::Noise, row.shape.bitsPerPixel, row.shape.width, row.shape.height);
    std::vector<uint8_t> target(p.rows.size(), 1);
    for (auto _ : state) {
        Stopwatch watch;
        ParallelCopy(target.data(), p.rows.data(), target.size(), row.threads);
        const double ms = watch.Lap();
        state.SetIterationTime(ms / 1000.0);
        KeepFastest(row.oursMs, ms);
    }
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
    for (auto _ : state) {
        gScanSamples = 0;
        Stopwatch watch;
        for (const auto& line : lines) scan(bitmap, &region, line, channelMode, 0, subPixelBits, &CountSample);
        const double ms = watch.Lap();
        state.SetIterationTime(ms / 1000.0);
        KeepFastest(row.oursMs, ms);
        row.samplesPerRun = double(gScanSamples);
    }
    benchmark::DoNotOptimize(gScanSum);
}

std::string RowKey(const Row& row) {
    std::string key = row.method + "/" + DepthLabel(row.shape.bitsPerPixel) + "/" + SizeLabel(row.shape);
    if (row.radius >= 0) key += "/r" + std::to_string(row.radius);
    return key + "/t" + std::to_string(row.threads);
}

// Registers the benchmark of the row last added to gRows.
template <class Body>
void Register(const Options& options, Body body, int minRepetitions = 1) {
    const std::string name = RowKey(gRows.back());
    gRowOfBenchmark[name] = gRows.size() - 1;
    auto* b = benchmark::RegisterBenchmark(name.c_str(), body);
    b->UseManualTime()->MinTime(options.minTime);
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
                options, [at = gRows.size() - 1](benchmark::State& st) { RunMemcpy(st, gRows[at]); }, 3);
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
                    Register(options, [m, index, at](benchmark::State& st) {
                        RunPair(st, *m, uint32_t(index), gRows[at]);
                    });
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
            Register(options, [scan = scan, at = gRows.size() - 1](benchmark::State& st) {
                RunScanner(st, scan, gRows[at]);
            });
        }
    }
    return skipped;
}

// Shows progress, one line per benchmark, and notes the rows skipped with
// an error. The times themselves go into the rows as they are measured.
class ProgressReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        // One call per benchmark, holding every repetition: one line for all.
        Row* row = nullptr;
        std::string name;
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            name = run.run_name.function_name;  // without the option suffixes
            auto found = gRowOfBenchmark.find(name);
            if (found == gRowOfBenchmark.end()) continue;
            row = &gRows[found->second];
            if (run.error_occurred) row->error = run.error_message;
        }
        if (!row) return;
        if (!row->error.empty()) {
            std::fprintf(stderr, "  %-44s skipped: %s\n", name.c_str(), row->error.c_str());
            return;
        }
        std::fprintf(stderr, "  %-44s ours %10.3f ms", name.c_str(), row->oursMs);
        if (row->peerMs >= 0) std::fprintf(stderr, "   peer %10.3f ms", row->peerMs);
        std::fprintf(stderr, "\n");
    }
};

std::string Fixed(double value, int decimals) {
    if (value < 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// The fastest copy of a frame of this row's size with its thread count seen
// anywhere in the run: the memcpy rows and the copy timed beside every row.
// The floor is a property of the machine, so the best sample is the most
// faithful one; a single row's few samples may all have met a busy moment.
double MemcpyFloor(const Row& row) {
    double floor = -1;
    for (const Row& m : gRows) {
        if (m.shape.bitsPerPixel != row.shape.bitsPerPixel || m.shape.width != row.shape.width ||
            m.threads != row.threads)
            continue;
        if (m.memcpyMs > 0) KeepFastest(floor, m.memcpyMs);
        if (m.method == "memcpy" && m.oursMs > 0) KeepFastest(floor, m.oursMs);
    }
    return floor;
}

std::vector<std::vector<std::string>> TableCells() {
    std::vector<std::vector<std::string>> cells;
    for (const Row& row : gRows) {
        const double memcpyMs = MemcpyFloor(row);
        const bool scanner = row.samplesPerRun > 0;
        const double oursMs = row.method == "memcpy" ? memcpyMs : row.oursMs;
        const bool ok = oursMs > 0;
        cells.push_back({
            row.method,
            DepthLabel(row.shape.bitsPerPixel),
            SizeLabel(row.shape),
            row.radius >= 0 ? std::to_string(row.radius) : "-",
            std::to_string(row.threads),
            Fixed(oursMs, 3),
            Fixed(row.peerMs, 3),
            ok && row.peerMs > 0 ? Fixed(oursMs / row.peerMs, 2) : "-",
            Fixed(row.hostMs, 3),
            ok && row.peerMs > 0 && row.hostMs >= 0 ? Fixed((oursMs - row.hostMs) / row.peerMs, 2) : "-",
            ok && !scanner && memcpyMs > 0 ? Fixed(oursMs / memcpyMs, 1) : "-",
            ok && scanner ? Fixed(row.samplesPerRun / oursMs / 1000.0, 2) : "-",
        });
    }
    return cells;
}

const std::vector<std::string> kHeader = {"method",    "depth",     "size",      "radius",    "threads",
                                          "ours (ms)", "peer (ms)", "ours/peer", "host (ms)", "(ours-host)/peer",
                                          "ours/memcpy", "Msamples/s"};
const std::vector<std::string> kCsvHeader = {"method",          "depth",   "size",          "radius",
                                             "threads",         "ours_ms", "peer_ms",       "ours_per_peer",
                                             "host_ms",         "ours_less_host_per_peer",
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
    "  --min-time     timed seconds per benchmark, at least one run (default 0.5)\n"
    "  --repetitions  repeat each benchmark and keep the fastest (default 1)\n";

// Takes this program's own flags out of argv; Google Benchmark gets the rest.
bool ParseOptions(int& argc, char** argv, Options& options, int* exitCode) {
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
            *exitCode = 0;
            return false;
        } else if (value("--filter", v)) {
            try {
                std::regex check(v);
            } catch (const std::regex_error&) {
                std::fprintf(stderr, "kaf_bench: --filter is not a regular expression: %s\n", v.c_str());
                *exitCode = 2;
                return false;
            }
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

// Frame-sized blocks (pictures, the output frame each row's first run asks
// the host for, the methods' scratch) left to glibc would be mapped afresh
// and their pages faulted in by the first writes, which on a virtual machine
// costs about 100 ms for 16 MB here. Keeping large blocks on a heap that is
// never trimmed, and faulting that heap in once, recycles them as a host
// that keeps its memory would. Timed runs allocate nothing: the host hands
// every run after the first the output frame it made for the first.
void RecycleLargeBlocks() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest glibc accepts; frames are at most 16 MB
    mallopt(M_TRIM_THRESHOLD, INT32_MAX);
    std::vector<void*> blocks;
    for (int i = 0; i < 8; ++i) {
        void* block = std::malloc(24 << 20);
        if (!block) break;
        std::memset(block, 0, 24 << 20);
        blocks.push_back(block);
    }
    for (void* block : blocks) std::free(block);
#endif
}

int Main(int argc, char** argv) {
    Options options;
    int exitCode = 0;
    if (!ParseOptions(argc, argv, options, &exitCode)) return exitCode;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

    std::string error;
    gModule = PluginModule::Load(options.modulePath, &error);
    if (!gModule) {
        std::fprintf(stderr, "kaf_bench: cannot load %s: %s\n", options.modulePath.c_str(), error.c_str());
        return 1;
    }
    gModule->Init();
    RecycleLargeBlocks();
    const std::vector<std::string> skipped = RegisterAll(options);

    ProgressReporter reporter;
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
