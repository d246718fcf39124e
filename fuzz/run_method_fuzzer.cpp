// RunMethod on any method index with frames of any geometry (0, negative,
// single rows and columns, tall and wide) and depth (1, 4, 8, 16, 24, 32 or
// any other), every parameter absent, unwired, a number of any value or an
// array of any length, a calibration frame of another geometry for
// "flat_field", refused output frames and error buffers of every size; two
// runs on one object so that the cached buffers meet a second geometry. The
// enumeration exports get the same index with null and exact-size buffers.
//
// Beyond what the sanitizers catch, a run must either succeed or leave an
// "error: " text that fits the buffer, and never write past the buffer.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz_frames.h"
#include "kafilters.h"

namespace {

constexpr int32_t kDepths[] = {1, 4, 8, 16, 24, 32};
constexpr int64_t kMaxPixels = int64_t(1) << 14;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_run_method: %s\n", what);
        std::abort();
    }
}

// The names the catalogue gives a method's inputs, read through the export.
std::vector<std::u16string> InputNames(uint32_t method) {
    std::vector<std::u16string> names;
    for (uint32_t k = 0;; ++k) {
        char16_t name[64] = {};
        char16_t descriptor[64] = {};
        int32_t type = 0;
        if (!EnumerateMethodInputs(method, k, &type, 63, descriptor, 63, name)) break;
        names.push_back(name);
    }
    return names;
}

// The enumeration exports with this index: null buffers and out-parameters
// must be skipped, exact-size buffers never overrun.
void Enumerate(uint32_t method, FuzzedDataProvider& data) {
    const int32_t nameMax = data.ConsumeIntegralInRange<int32_t>(-1, 80);
    const bool null = data.ConsumeBool();
    std::vector<char16_t> a(nameMax + 1 > 0 ? nameMax + 1 : 0), b(a.size());
    char16_t* first = null || a.empty() ? nullptr : a.data();
    char16_t* second = null || b.empty() ? nullptr : b.data();
    IconAddress icon = nullptr;
    int32_t value = 0;
    EnumerateMethods(method, nameMax, first, nameMax, second, null ? nullptr : &icon, null ? nullptr : &value);
    EnumerateMethodsCategories(method, data.ConsumeIntegralInRange<uint32_t>(0, 2),
                               data.ConsumeIntegralInRange<uint32_t>(0, 2), nameMax, first, null ? nullptr : &value,
                               null ? nullptr : &icon);
    EnumerateMethodInputs(method, data.ConsumeIntegralInRange<uint32_t>(0, 5), null ? nullptr : &value, nameMax,
                          first, nameMax, second);
    EnumerateMethodOutputs(method, data.ConsumeIntegralInRange<uint32_t>(0, 1), null ? nullptr : &value, nameMax,
                           first);
}

struct Geometry {
    int32_t width;
    int32_t height;
};

Geometry ConsumeGeometry(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: return {0, data.ConsumeIntegralInRange<int32_t>(-2, 5)};
    case 1: return {data.ConsumeIntegralInRange<int32_t>(-2, 5), data.ConsumeIntegralInRange<int32_t>(-3, 0)};
    case 2: return {data.ConsumeIntegralInRange<int32_t>(1, kMaxPixels), data.ConsumeIntegralInRange<int32_t>(1, 2)};
    case 3: return {data.ConsumeIntegralInRange<int32_t>(1, 2), data.ConsumeIntegralInRange<int32_t>(1, kMaxPixels)};
    case 4: return {INT32_MAX, data.ConsumeIntegralInRange<int32_t>(-1, 0)};  // a header without rows
    default: {
        const int32_t width = data.ConsumeIntegralInRange<int32_t>(1, 64);
        return {width, data.ConsumeIntegralInRange<int32_t>(1, static_cast<int32_t>(kMaxPixels / width / 4))};
    }
    }
}

int32_t ConsumeDepth(FuzzedDataProvider& data) {
    if (data.ConsumeIntegralInRange<int>(0, 15) == 0) return data.ConsumeIntegralInRange<int32_t>(0, 64);
    return kDepths[data.ConsumeIntegralInRange<size_t>(0, std::size(kDepths) - 1)];
}

// A kernel dimension that keeps a run short: small odd and even numbers, the
// values that fail, and sizes whose element count overflows or cannot be had.
double ConsumeKernelDimension(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return data.ConsumeIntegralInRange<int32_t>(-3, 33);
    case 1: return data.ConsumeBool() ? 65537.0 : 2147483647.0;
    case 2: return 46341.0;  // its square passes 2^31
    default: {
        const double v = kaf_fuzz::ConsumeNumber(data);
        return std::abs(v) > 40.0 && std::abs(v) < 1e6 ? std::fmod(v, 40.0) : v;
    }
    }
}

void ConsumeParameter(ka_iproc::Session& session, ka_iproc::ParameterList& inputs, const std::u16string& name,
                      FuzzedDataProvider& data) {
    const bool kernelDimension = name == u"Kernel width" || name == u"Kernel height";
    switch (data.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: return;  // absent: wired, but the host has no such object
    case 1: inputs.Names().back().clear(); return;  // not wired at all
    case 2:
    case 3: session.AddNumber(name, kernelDimension ? ConsumeKernelDimension(data) : kaf_fuzz::ConsumeNumber(data));
        return;
    default: {
        std::vector<double> values(data.ConsumeIntegralInRange<size_t>(0, 40));
        for (double& v : values) v = kernelDimension ? ConsumeKernelDimension(data) : kaf_fuzz::ConsumeNumber(data);
        session.AddArray(name, values);
    }
    }
}

void RunOnce(uintptr_t handle, uint32_t method, FuzzedDataProvider& data) {
    ka_iproc::Session session;
    ka_iproc::ParameterList inputs;
    ka_iproc::ParameterList outputs({u"Output frame"});

    const std::vector<std::u16string> names = method < 20 ? InputNames(method) : std::vector<std::u16string>{};
    const Geometry size = ConsumeGeometry(data);
    const int32_t depth = ConsumeDepth(data);
    for (size_t k = 0; k < names.size(); ++k) {
        inputs.Names().push_back(names[k]);
        if (k == 0) {
            if (data.ConsumeIntegralInRange<int>(0, 31) != 0) {
                kaf_fuzz::AddFrame(session, names[k], size.width, size.height, depth, data);
            }
        } else if (names[k] == u"White calibration frame") {
            const bool same = data.ConsumeBool();
            const Geometry other = same ? size : ConsumeGeometry(data);
            kaf_fuzz::AddFrame(session, names[k], other.width, other.height,
                               data.ConsumeBool() ? depth : ConsumeDepth(data), data);
        } else {
            ConsumeParameter(session, inputs, names[k], data);
        }
    }
    // An unwired output: the host cannot give an output frame.
    if (data.ConsumeIntegralInRange<int>(0, 15) == 0) outputs.Names()[0].clear();

    const int32_t errorMax = data.ConsumeIntegralInRange<int32_t>(-1, 90);
    const bool nullError = data.ConsumeIntegralInRange<int>(0, 15) == 0;
    std::unique_ptr<char16_t[]> error(errorMax >= 0 && !nullError ? new char16_t[errorMax + 1] : nullptr);
    if (error) std::fill(error.get(), error.get() + errorMax + 1, u'#');

    const uint8_t ok = RunMethod(handle, session.Handle(), inputs.Handle(), inputs.Context(), outputs.Handle(),
                                 outputs.Context(), errorMax, error.get());
    if (!ok && error && method < 20 && handle != 0) {
        const std::u16string prefix = u"error: ";
        for (int32_t i = 0; i <= errorMax && i < static_cast<int32_t>(prefix.size()); ++i) {
            Check(error[i] == prefix[i], "a failed run leaves a text beginning with \"error: \"");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    const uint32_t method = data.ConsumeIntegralInRange<uint32_t>(0, 20);
    Enumerate(method, data);
    const uintptr_t handle = InitMethod(method);
    if (method >= 20) Check(handle == InvalidMethodHandle, "an index above 19 gives the invalid handle");
    const int runs = data.ConsumeIntegralInRange<int>(1, 2);
    for (int run = 0; run < runs; ++run) RunOnce(handle, method, data);
    DoneMethod(handle);
    return 0;
}
