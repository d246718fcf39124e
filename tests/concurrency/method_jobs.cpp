#include "method_jobs.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "test_host.h"

namespace kaf_jobs {

std::string Job::Label() const {
    std::string text = kaf_test::Narrow(kaf_test::Catalogue()[method].name) + " on " + std::to_string(width) + "x" +
                       std::to_string(height) + " at " + std::to_string(bitsPerPixel) + " bpp, seed " +
                       std::to_string(seed);
    for (const auto& [name, values] : numbers) {
        text += ", " + kaf_test::Narrow(name) + " =";
        for (double v : values) text += " " + std::to_string(v);
    }
    return text;
}

std::vector<uint32_t> AllMethods() {
    std::vector<uint32_t> methods(kaf_test::Catalogue().size());
    for (uint32_t m = 0; m < methods.size(); ++m) methods[m] = m;
    return methods;
}

namespace {

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

}  // namespace

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

}  // namespace kaf_jobs
