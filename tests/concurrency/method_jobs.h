// Runs of the module's methods as self-contained jobs: a method, a frame
// geometry with seeded content, and parameters. Used by the concurrency test
// (many jobs at once on many host threads against single-threaded results)
// and by the soak run.
#pragma once

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "host_api.h"

namespace kaf_jobs {

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

    std::string Label() const;
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

// Every method index of the catalogue.
std::vector<uint32_t> AllMethods();

// A job with random geometry (up to the given size), depth and parameters
// for that method; `depths` lists the depths to draw from.
Job RandomJob(uint32_t method, std::mt19937& random, int32_t maxWidth, int32_t maxHeight,
              const std::vector<int32_t>& depths);

// Runs the job on the method object `handle` in a session of its own.
JobResult RunJob(uintptr_t handle, const Job& job);

// Resident memory of the process in kilobytes (0 where unknown).
long ResidentKilobytes();

}  // namespace kaf_jobs
