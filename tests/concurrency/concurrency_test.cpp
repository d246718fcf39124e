// Different method objects share nothing: many objects of every method,
// created, run and destroyed at once on many host threads, on frames of many
// geometries, give exactly what a single-threaded run gives; and a kept
// object gives what a fresh one gives. Under ThreadSanitizer this runs with
// one OpenMP thread per host thread (OpenMP's runtime is not instrumented)
// while the host threads vary. The soak run is here too.
#include <gtest/gtest.h>

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "test_host.h"

namespace {

// A run of a method as a self-contained job: a method, a frame geometry with
// seeded content, and parameters.
struct Job {
    uint32_t method = 0;
    int32_t width = 1;
    int32_t height = 1;
    int32_t bitsPerPixel = 8;
    uint32_t seed = 0;
    // Objects wired to the method's inputs by name; absent ones take defaults.
    std::map<std::u16string, std::vector<double>> numbers;
    // The name wired to the output; empty: no output frame can be had.
    std::u16string output = u"Output frame";

    std::string Label() const {
        std::string text = kaf_test::Narrow(kaf_test::Catalogue()[method].name) + " on " + std::to_string(width) + "x" +
                           std::to_string(height) + " at " + std::to_string(bitsPerPixel) + " bpp, seed " +
                           std::to_string(seed);
        for (const auto& [name, values] : numbers) {
            text += ", " + kaf_test::Narrow(name) + " =";
            for (double v : values) text += " " + std::to_string(v);
        }
        return text;
    }
};

struct JobResult {
    bool ok = false;
    std::u16string error;
    std::vector<std::u16string> warnings;
    std::vector<uint8_t> pixels;  // the output's pixel bytes, rows without padding

    bool operator==(const JobResult& other) const {
        return ok == other.ok && error == other.error && warnings == other.warnings && pixels == other.pixels;
    }
};

std::vector<uint32_t> AllMethods() {
    std::vector<uint32_t> methods(kaf_test::Catalogue().size());
    for (uint32_t m = 0; m < methods.size(); ++m) methods[m] = m;
    return methods;
}

// A number for an input, drawn around the values the methods accept, with
// some outside their limits so that clamping (and its warnings) happens too.
double RandomNumber(const std::u16string& name, std::mt19937& random) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double u = unit(random);
    if (name == u"Threshold" || name == u"Intensity" || name == u"Pass-through rating") return u * 1.2 - 0.1;
    if (name == u"Standard deviation") return u * 4.0;
    if (name == u"High-boost coefficient") return u * 6.0 - 1.0;
    if (name == u"Maximum number of iterations") return std::floor(u * 60.0);
    if (name == u"Times to repeat") return std::floor(u * 24.0) - 1.0;
    return std::floor(u * 13.0) - 1.0;  // radii
}

// A job with random geometry (up to the given size), depth and parameters
// for that method; `depths` lists the depths to draw from.
Job RandomJob(uint32_t method, std::mt19937& random, int32_t maxWidth, int32_t maxHeight,
              const std::vector<int32_t>& depths) {
    Job job;
    job.method = method;
    job.width = std::uniform_int_distribution<int32_t>(1, maxWidth)(random);
    job.height = std::uniform_int_distribution<int32_t>(1, maxHeight)(random);
    job.bitsPerPixel = depths[std::uniform_int_distribution<size_t>(0, depths.size() - 1)(random)];
    job.seed = random();
    const auto& entry = kaf_test::Catalogue()[method];
    std::uniform_real_distribution<double> weight(-1.0, 1.0);
    int32_t kernelWidth = 1 + 2 * std::uniform_int_distribution<int32_t>(0, 4)(random);
    int32_t kernelHeight = 1 + 2 * std::uniform_int_distribution<int32_t>(0, 4)(random);
    for (const auto& input : entry.inputs) {
        if (input.type != ParamTypeNumber) continue;
        if (input.name == u"Kernel width") {
            job.numbers[input.name] = {double(kernelWidth)};
        } else if (input.name == u"Kernel height") {
            job.numbers[input.name] = {double(kernelHeight)};
        } else if (input.name == u"Kernel source") {
            size_t count = entry.name == u"kernel_3x3" ? 9 : entry.name == u"kernel_5x5" ? 25
                                                                                        : size_t(kernelWidth) * kernelHeight;
            std::vector<double> values(count);
            for (double& v : values) v = weight(random) / 2.0;
            job.numbers[input.name] = values;
        } else if (random() % 5 != 0) {  // one in five left absent: the default
            job.numbers[input.name] = {RandomNumber(input.name, random)};
        }
    }
    return job;
}

// Runs the job on the method object `handle` in a session of its own.
JobResult RunJob(uintptr_t handle, const Job& job) {
    const auto& entry = kaf_test::Catalogue()[job.method];
    ka_iproc::Session session;
    ka_iproc::ParameterList inputs;
    ka_iproc::ParameterList outputs({job.output});
    for (const auto& input : entry.inputs) inputs.Names().push_back(input.name);
    kaf_test::FillRandom(session.AddFrame(u"Input frame", job.width, job.height, job.bitsPerPixel), job.seed);
    if (entry.inputs.size() > 1 && entry.inputs[1].type == ParamTypeFrame) {
        kaf_test::FillRandom(session.AddFrame(entry.inputs[1].name, job.width, job.height, job.bitsPerPixel), job.seed + 1);
    }
    for (const auto& [name, values] : job.numbers) session.AddArray(name, values);

    JobResult result;
    char16_t error[256] = {};
    result.ok = kaf_test::Module().RunMethod(handle, session.Handle(), inputs.Handle(), inputs.Context(),
                                             outputs.Handle(), outputs.Context(), 255, error) != 0;
    if (!result.ok) result.error = error;
    result.warnings = session.Warnings();
    if (FrameHandle output = session.FindFrame(job.output)) result.pixels = kaf_test::PixelBytes(output);
    return result;
}

// Resident memory of the process in kilobytes (0 where unknown).
long ResidentKilobytes() {
#if defined(__linux__)
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    long kilobytes = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) kilobytes = std::strtol(line + 6, nullptr, 10);
    }
    std::fclose(status);
    return kilobytes;
#else
    return 0;
#endif
}


JobResult RunOnFreshObject(const Job& job) {
    const uintptr_t handle = kaf_test::Module().InitMethod(job.method);
    JobResult result = RunJob(handle, job);
    kaf_test::Module().DoneMethod(handle);
    return result;
}

// Runs the job on a fresh object, or on the object `kept` holds for its
// method (made on first use).
JobResult RunJobOn(const Job& job, std::map<uint32_t, uintptr_t>* kept) {
    if (!kept) return RunOnFreshObject(job);
    uintptr_t& handle = (*kept)[job.method];
    if (!handle) handle = kaf_test::Module().InitMethod(job.method);
    return RunJob(handle, job);
}

void DoneAll(const std::map<uint32_t, uintptr_t>& kept) {
    for (const auto& [method, handle] : kept) kaf_test::Module().DoneMethod(handle);
}

TEST(Concurrency, ManyObjectsOnManyHostThreadsMatchSingleThreadedRuns) {
    std::mt19937 random(20240601);
    std::vector<Job> jobs;
    for (uint32_t method : AllMethods()) {
        for (int i = 0; i < 5; ++i) jobs.push_back(RandomJob(method, random, 70, 40, {8, 24, 32}));
        jobs.push_back(RandomJob(method, random, 9, 3, {8, 16, 32}));
    }
    std::vector<JobResult> expected(jobs.size());
    kaf_test::WithThreads(1, [&] {
        for (size_t i = 0; i < jobs.size(); ++i) expected[i] = RunOnFreshObject(jobs[i]);
    });
    const auto succeeded = std::count_if(expected.begin(), expected.end(), [](const JobResult& r) { return r.ok; });
    ASSERT_GT(succeeded, static_cast<long>(jobs.size() * 3 / 4)) << "the jobs should mostly run";

    std::mutex mutex;
    std::vector<std::string> mismatches;
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            // Every thread runs every job in an order of its own; even threads
            // create an object per job, odd ones keep one object per method
            // and run it on one geometry after another.
            std::vector<size_t> order(jobs.size());
            for (size_t i = 0; i < order.size(); ++i) order[i] = i;
            std::shuffle(order.begin(), order.end(), std::mt19937(t));
            std::map<uint32_t, uintptr_t> kept;
            for (size_t i : order) {
                if (RunJobOn(jobs[i], t % 2 ? &kept : nullptr) == expected[i]) continue;
                std::lock_guard<std::mutex> lock(mutex);
                mismatches.push_back(jobs[i].Label());
            }
            DoneAll(kept);
        });
    }
    for (std::thread& thread : threads) thread.join();
    mismatches.resize(std::min<size_t>(mismatches.size(), 5));
    EXPECT_TRUE(mismatches.empty()) << "runs that differ from the single-threaded run:\n"
                                    << testing::PrintToString(mismatches);
}

// A kept object gives what a fresh one gives after runs of other sizes,
// depths and parameters, and after a run whose output frame could not be had
// at a new size: nothing a method keeps outlives what it was built for.
TEST(MethodObjects, AKeptObjectGivesWhatAFreshOneGives) {
    std::mt19937 random(7);
    for (uint32_t method : AllMethods()) {
        const uintptr_t kept = kaf_test::Module().InitMethod(method);
        for (int i = 0; i < 4; ++i) {
            Job job = RandomJob(method, random, 70, 40, {8, 24, 32});
            // Then one pixel wider: a change of width alone.
            for (int32_t widen : {0, 1}) {
                job.width += widen;
                for (const char16_t* output : {u"", u"Output frame"}) {
                    job.output = output;
                    EXPECT_EQ(RunJob(kept, job), RunOnFreshObject(job)) << job.Label();
                }
            }
        }
        kaf_test::Module().DoneMethod(kept);
    }
}

// The soak run: every method on random frames on all cores for
// KAF_SOAK_MINUTES minutes (scripts/soak.sh sets it; skipped otherwise),
// with the resident memory printed at the start, after a warm-up and at the
// end. Memory must stay flat once every method has had its first runs.
TEST(Soak, EveryMethodOnRandomFramesOnAllCores) {
    const char* minutesText = std::getenv("KAF_SOAK_MINUTES");
    if (!minutesText) GTEST_SKIP() << "set KAF_SOAK_MINUTES (scripts/soak.sh) to run the soak";
    const double seconds = std::atof(minutesText) * 60.0;
    const std::vector<uint32_t> methods = AllMethods();
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    using Clock = std::chrono::steady_clock;
    const auto after = [start = Clock::now()](double s) {
        return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
    };
    const Clock::time_point warm = after(seconds * 0.1), end = after(seconds);
    const long startKb = ResidentKilobytes();
    std::printf("soak: %u host threads, %zu methods, %.1f minutes; resident memory at start %ld kB\n", cores,
                methods.size(), seconds / 60.0, startKb);
    std::fflush(stdout);
    std::atomic<long> runs{0}, warmKb{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < cores; ++t) {
        threads.emplace_back([&, t] {
            omp_set_num_threads(1);  // all cores busy with host threads already
            std::mt19937 random(t + 1);
            std::map<uint32_t, uintptr_t> kept;
            while (Clock::now() < end) {
                const uint32_t method = methods[random() % methods.size()];
                const Job job = RandomJob(method, random, 400, 300, {1, 4, 8, 8, 16, 24, 24, 32, 32});
                RunJobOn(job, random() % 2 ? nullptr : &kept);
                ++runs;
                if (t == 0 && warmKb == 0 && Clock::now() >= warm) {
                    warmKb = ResidentKilobytes();
                    std::printf("soak: resident memory after warm-up %ld kB (%ld runs)\n", warmKb.load(), runs.load());
                    std::fflush(stdout);
                }
            }
            DoneAll(kept);
        });
    }
    for (std::thread& thread : threads) thread.join();
    const long endKb = ResidentKilobytes();
    std::printf("soak: resident memory at end %ld kB after %ld runs\n", endKb, runs.load());
    const long reference = warmKb ? warmKb.load() : startKb;
    // Flat: within a quarter (allocator arenas breathe) plus 32 MB of the warmed-up figure.
    EXPECT_LE(endKb, reference + reference / 4 + 32 * 1024);
}

}  // namespace
