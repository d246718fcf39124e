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
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "method_jobs.h"
#include "test_host.h"

namespace {

using kaf_jobs::Job;
using kaf_jobs::JobResult;

JobResult RunOnFreshObject(const Job& job) {
    const uintptr_t handle = kaf_test::Module().InitMethod(job.method);
    JobResult result = kaf_jobs::RunJob(handle, job);
    kaf_test::Module().DoneMethod(handle);
    return result;
}

// Runs the job on a fresh object, or on the object `kept` holds for its
// method (made on first use).
JobResult RunJobOn(const Job& job, std::map<uint32_t, uintptr_t>* kept) {
    if (!kept) return RunOnFreshObject(job);
    uintptr_t& handle = (*kept)[job.method];
    if (!handle) handle = kaf_test::Module().InitMethod(job.method);
    return kaf_jobs::RunJob(handle, job);
}

void DoneAll(const std::map<uint32_t, uintptr_t>& kept) {
    for (const auto& [method, handle] : kept) kaf_test::Module().DoneMethod(handle);
}

TEST(Concurrency, ManyObjectsOnManyHostThreadsMatchSingleThreadedRuns) {
    std::mt19937 random(20240601);
    std::vector<Job> jobs;
    for (uint32_t method : kaf_jobs::AllMethods()) {
        for (int i = 0; i < 5; ++i) jobs.push_back(kaf_jobs::RandomJob(method, random, 70, 40, {8, 24, 32}));
        jobs.push_back(kaf_jobs::RandomJob(method, random, 9, 3, {8, 16, 32}));
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
    for (uint32_t method : kaf_jobs::AllMethods()) {
        const uintptr_t kept = kaf_test::Module().InitMethod(method);
        for (int i = 0; i < 4; ++i) {
            Job job = kaf_jobs::RandomJob(method, random, 70, 40, {8, 24, 32});
            // Then one pixel wider: a change of width alone.
            for (int32_t widen : {0, 1}) {
                job.width += widen;
                for (const char16_t* output : {u"", u"Output frame"}) {
                    job.output = output;
                    EXPECT_EQ(kaf_jobs::RunJob(kept, job), RunOnFreshObject(job)) << job.Label();
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
    const std::vector<uint32_t> methods = kaf_jobs::AllMethods();
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    using Clock = std::chrono::steady_clock;
    const auto after = [start = Clock::now()](double s) {
        return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
    };
    const Clock::time_point warm = after(seconds * 0.1), end = after(seconds);
    const long startKb = kaf_jobs::ResidentKilobytes();
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
                const Job job = kaf_jobs::RandomJob(method, random, 400, 300, {1, 4, 8, 8, 16, 24, 24, 32, 32});
                RunJobOn(job, random() % 2 ? nullptr : &kept);
                ++runs;
                if (t == 0 && warmKb == 0 && Clock::now() >= warm) {
                    warmKb = kaf_jobs::ResidentKilobytes();
                    std::printf("soak: resident memory after warm-up %ld kB (%ld runs)\n", warmKb.load(), runs.load());
                    std::fflush(stdout);
                }
            }
            DoneAll(kept);
        });
    }
    for (std::thread& thread : threads) thread.join();
    const long endKb = kaf_jobs::ResidentKilobytes();
    std::printf("soak: resident memory at end %ld kB after %ld runs\n", endKb, runs.load());
    const long reference = warmKb ? warmKb.load() : startKb;
    // Flat: within a quarter (allocator arenas breathe) plus 32 MB of the warmed-up figure.
    EXPECT_LE(endKb, reference + reference / 4 + 32 * 1024);
}

}  // namespace
