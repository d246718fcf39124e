#include "batch_runner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "frame_image.h"
#include "module_loader.h"
#include "tool_error.h"
#include "worker_pool.h"

namespace kaf_tool {

namespace fs = std::filesystem;

namespace {

bool StderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

std::string PathText(const fs::path& path) { return path.u8string(); }

std::string Clock(double seconds) {
    long total = static_cast<long>(seconds + 0.5);
    char text[32];
    if (total >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

// What became of one file.
struct FileOutcome {
    bool ok = false;
    std::string reason;                 // why it failed
    std::vector<std::string> warnings;  // the method's warnings
};

// Progress on stderr, shared by the workers. On a terminal one bar line is
// redrawn in place (files done, rate, time left) and messages are printed
// above it; otherwise every file gets a plain line of its own. A warning
// text is shown the first time a file gets it, not again for every file.
class BatchProgress {
public:
    BatchProgress(size_t total, bool terminal)
        : total_(total), terminal_(terminal), start_(std::chrono::steady_clock::now()) {
        std::lock_guard<std::mutex> lock(mutex_);
        DrawBar();
    }

    void FileDone(const BatchFile& file, const std::string& outputPath, const FileOutcome& outcome) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++done_;
        if (!outcome.ok) failed_.push_back(file.inputName);
        if (!outcome.warnings.empty()) ++warned_;
        std::vector<std::string> lines;
        for (const std::string& warning : outcome.warnings) {
            if (seenWarnings_.insert(warning).second) {
                lines.push_back("warning: " + warning + " (first in " + file.inputName + ")");
            }
        }
        std::string count = "[" + std::to_string(done_) + "/" + std::to_string(total_) + "] ";
        if (!outcome.ok) lines.push_back(count + "failed: " + file.inputName + ": " + outcome.reason);
        else if (!terminal_) lines.push_back(count + file.inputName + " -> " + outputPath);
        for (const std::string& line : lines) Print(line);
        DrawBar();
    }

    // The closing line, after the bar is cleared; true when no file failed.
    bool Finish() {
        std::lock_guard<std::mutex> lock(mutex_);
        ClearBar();
        std::string line = std::to_string(total_ - failed_.size()) + " of " + std::to_string(total_) +
                           (total_ == 1 ? " file" : " files") + " written";
        if (!failed_.empty()) {
            std::sort(failed_.begin(), failed_.end());
            line += ", " + std::to_string(failed_.size()) + " failed:";
            for (const std::string& name : failed_) line += " " + name;
        }
        if (warned_ > 0) line += "; " + std::to_string(warned_) + " with warnings";
        double elapsed = Elapsed();
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f s", elapsed);
        line += " (" + (elapsed < 60 ? std::string(seconds) : Clock(elapsed)) + ")";
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
        return failed_.empty();
    }

private:
    double Elapsed() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

    void Print(const std::string& line) {
        ClearBar();
        std::fprintf(stderr, "%s\n", line.c_str());
    }

    void ClearBar() {
        if (!terminal_ || barWidth_ == 0) return;
        std::fprintf(stderr, "\r%*s\r", static_cast<int>(barWidth_), "");
        barWidth_ = 0;
    }

    void DrawBar() {
        if (!terminal_) return;
        constexpr size_t kCells = 30;
        size_t filled = total_ ? kCells * done_ / total_ : kCells;
        std::string bar = "[" + std::string(filled, '#') + std::string(kCells - filled, '-') + "] " +
                          std::to_string(done_) + "/" + std::to_string(total_) + " files";
        double elapsed = Elapsed();
        if (done_ > 0 && elapsed > 0) {
            double rate = static_cast<double>(done_) / elapsed;
            char text[64];
            std::snprintf(text, sizeof text, "  %.1f files/s  ", rate);
            bar += text + Clock(static_cast<double>(total_ - done_) / rate) + " left";
        }
        if (!failed_.empty()) bar += "  " + std::to_string(failed_.size()) + " failed";
        ClearBar();
        std::fprintf(stderr, "%s", bar.c_str());
        std::fflush(stderr);
        barWidth_ = bar.size();
    }

    const size_t total_;
    const bool terminal_;
    const std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    size_t done_ = 0;
    size_t warned_ = 0;
    size_t barWidth_ = 0;
    std::vector<std::string> failed_;
    std::set<std::string> seenWarnings_;
};

// Reads, runs and writes one file with the worker's own runner. Every
// failure becomes the file's reason; nothing escapes to end the batch.
FileOutcome ProcessFile(MethodRunner& runner, const std::string& inputPath, const std::string& outputPath) {
    FileOutcome outcome;
    try {
        Image input;
        if (!ReadImage(inputPath, &input, &outcome.reason)) return outcome;
        RunResult result = runner.Run(input);
        outcome.warnings = result.warnings;
        if (!result.ok) {
            outcome.reason = result.error;
        } else if (!result.hasOutput) {
            outcome.reason = "error: the method left no \"Output frame\"";
        } else {
            outcome.ok = WriteImage(outputPath, result.output, &outcome.reason);
        }
    } catch (const std::exception& error) {
        outcome.ok = false;
        outcome.reason = error.what();
    }
    return outcome;
}

// The output folder, made when missing. A path that already exists as
// something else, or that names an image file, is a usage error: with a
// folder as INPUT, OUTPUT is a folder too.
fs::path PrepareOutputFolder(const RunRequest& request) {
    fs::path output = fs::u8path(request.output);
    std::error_code error;
    bool exists = fs::exists(output, error);
    if (exists && !fs::is_directory(output, error)) {
        throw UsageError("INPUT '" + request.input + "' is a folder, so OUTPUT must be a folder; '" +
                         request.output + "' is a file");
    }
    if (!exists && FormatFromPath(request.output) != ImageFormat::Unknown) {
        throw UsageError("INPUT '" + request.input + "' is a folder, so OUTPUT must be a folder; '" +
                         request.output + "' names an image file");
    }
    if (exists && fs::equivalent(output, fs::u8path(request.input), error)) {
        throw UsageError("OUTPUT must be another folder than INPUT: the results would replace the images");
    }
    if (!exists && !fs::create_directories(output, error) && error) {
        throw InputError("cannot create the folder " + request.output + ": " + error.message());
    }
    return output;
}

}  // namespace

std::vector<BatchFile> ListBatchFiles(const std::string& folder, size_t* skipped) {
    std::vector<std::string> names;
    *skipped = 0;
    std::error_code error;
    for (fs::directory_iterator it(fs::u8path(folder), error), end; !error && it != end; it.increment(error)) {
        std::error_code statusError;
        if (!it->is_regular_file(statusError)) continue;
        std::string name = PathText(it->path().filename());
        if (FormatFromPath(name) == ImageFormat::Unknown) ++*skipped;
        else names.push_back(name);
    }
    if (error) throw InputError("cannot list the folder " + folder + ": " + error.message());
    std::sort(names.begin(), names.end());

    // Files that can be written in their own format keep their names; the
    // others then take a .png name that no kept name uses.
    std::vector<BatchFile> files;
    std::set<std::string> taken;
    for (const std::string& name : names) {
        bool keeps = FormatCanHold(FormatFromPath(name), 8);
        files.push_back({name, keeps ? name : std::string()});
        if (keeps) taken.insert(name);
    }
    for (BatchFile& file : files) {
        if (!file.outputName.empty()) continue;
        size_t dot = file.inputName.find_last_of('.');
        std::string name = file.inputName.substr(0, dot) + ".png";
        if (taken.count(name)) name = file.inputName + ".png";
        for (int k = 2; taken.count(name); ++k) name = file.inputName + "-" + std::to_string(k) + ".png";
        taken.insert(name);
        file.outputName = name;
    }
    return files;
}

BatchPlan PlanBatch(const RunRequest& request) {
    if (request.repeat > 0) throw UsageError("--repeat times a single image; INPUT '" + request.input + "' is a folder");
    BatchPlan plan;
    plan.files = ListBatchFiles(request.input, &plan.skipped);
    if (plan.files.empty()) {
        throw InputError("the folder " + request.input + " holds no image files (" + kReadableExtensions + ")");
    }
    if (request.shardCount > 0) {
        size_t listed = plan.files.size();
        // Files in name order are dealt out in turn: part K takes the files
        // K, K + N, K + 2N, ... so the parts differ by one file at most.
        std::vector<BatchFile> part;
        for (size_t i = request.shardIndex; i < listed; i += request.shardCount) part.push_back(plan.files[i]);
        plan.files.swap(part);
        std::fprintf(stderr, "note: shard %zu/%zu takes %zu of the %zu image files in %s\n", request.shardIndex + 1,
                     request.shardCount, plan.files.size(), listed, request.input.c_str());
    }
    plan.workers = WorkerCount(static_cast<size_t>(request.jobs), plan.files.size());
    return plan;
}

int RunBatch(const RunRequest& request, const BatchPlan& plan) {
    const std::vector<BatchFile>& files = plan.files;
    if (files.empty()) return kExitSuccess;
    fs::path outputFolder = PrepareOutputFolder(request);
    fs::path inputFolder = fs::u8path(request.input);
    const size_t workers = plan.workers;
    // One runner per worker, made here so that a module without an object
    // for the method, or a calibration frame the host cannot hold, ends the
    // command before any thread starts.
    std::vector<std::unique_ptr<MethodRunner>> runners;
    for (size_t w = 0; w < workers; ++w) {
        runners.push_back(std::make_unique<MethodRunner>(HostModule(), *request.method, request.parameters));
        if (!runners.back()->HasObject()) {
            throw ToolError(kExitMethodFailed, runners.back()->NoObjectError());
        }
    }

    if (plan.skipped > 0) {
        std::fprintf(stderr, "note: %zu %s in %s %s (by extension), left alone\n", plan.skipped,
                     plan.skipped == 1 ? "file" : "files", request.input.c_str(),
                     plan.skipped == 1 ? "is not an image" : "are not images");
    }
    BatchProgress progress(files.size(), StderrIsTerminal());
    RunOnWorkers(workers, files.size(), [&](size_t worker, size_t item) {
        const BatchFile& file = files[item];
        std::string outputPath = PathText(outputFolder / fs::u8path(file.outputName));
        FileOutcome outcome =
            ProcessFile(*runners[worker], PathText(inputFolder / fs::u8path(file.inputName)), outputPath);
        progress.FileDone(file, outputPath, outcome);
    });
    return progress.Finish() ? kExitSuccess : kExitMethodFailed;
}

}  // namespace kaf_tool
