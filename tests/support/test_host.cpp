#include "test_host.h"

#include <omp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

#include <gtest/gtest.h>

namespace kaf_test {

ka_iproc::PluginModule& Module() {
    // Loaded once and never unloaded: icons and method objects may outlive
    // any static destructor, and the process ends with the module in place.
    static ka_iproc::PluginModule* module = [] {
        std::string error;
        std::unique_ptr<ka_iproc::PluginModule> loaded = ka_iproc::PluginModule::Load(KAF_MODULE_PATH, &error);
        if (!loaded) {
            std::fprintf(stderr, "cannot load the module %s: %s\n", KAF_MODULE_PATH, error.c_str());
            std::abort();
        }
        loaded->Init();
        return loaded.release();
    }();
    return *module;
}

const std::vector<ka_iproc::PluginModule::Method>& Catalogue() {
    static const std::vector<ka_iproc::PluginModule::Method> catalogue = Module().Catalogue();
    return catalogue;
}

namespace {

uint32_t IndexOf(const std::u16string& methodName) {
    const int32_t index = Module().FindMethod(methodName);
    if (index < 0) ADD_FAILURE() << "no method named " << Narrow(methodName);
    return index < 0 ? UINT32_MAX : static_cast<uint32_t>(index);
}

}  // namespace

TestHost::TestHost(const std::u16string& methodName) : TestHost(IndexOf(methodName)) {}

TestHost::TestHost(uint32_t methodIndex) : instance_(Module(), methodIndex) {
    // Every catalogue input is wired to an object of its own name, whether or
    // not the test adds one: an absent object makes the method use its default.
    if (methodIndex < Catalogue().size()) {
        for (const auto& input : Catalogue()[methodIndex].inputs) inputs_.Names().push_back(input.name);
    }
}

Outcome TestHost::Run(int32_t errorMax) {
    Outcome outcome;
    session_.ClearWarnings();
    outcome.ok = instance_.Run(session_, inputs_, outputs_, &outcome.error, errorMax);
    outcome.warnings = session_.Warnings();
    outcome.output = session_.FindFrame(u"Output frame");
    return outcome;
}

namespace {

// Bytes of pixel data in one row, padding excluded.
size_t RowDataBytes(FrameHandle frame) {
    return (static_cast<size_t>(GetFrameWidth(frame)) * GetFrameBPP(frame) + 7) / 8;
}

}  // namespace

PixelPlane Plane(FrameHandle frame) {
    return {GetFrameDataAddr(frame), static_cast<size_t>(ka_iproc::FrameStride(frame)), GetFrameWidth(frame),
            GetFrameDepth(frame), GetFrameBPP(frame)};
}

uint8_t* PixelAt(FrameHandle frame, int32_t x, int32_t y) {
    const size_t bytesPerPixel = static_cast<size_t>(GetFrameBPP(frame)) / 8;
    return GetFrameDataAddr(frame) + static_cast<size_t>(y) * ka_iproc::FrameStride(frame) + x * bytesPerPixel;
}

void FillFrame(FrameHandle frame, const std::function<uint8_t(int32_t, int32_t, int32_t)>& fn) {
    // Below 8 bits per pixel every byte of a row counts as one "pixel" of one byte.
    const int32_t bpp = GetFrameBPP(frame);
    const int32_t bytesPerPixel = bpp >= 8 ? bpp / 8 : 1;
    const int32_t columns = static_cast<int32_t>(RowDataBytes(frame) / bytesPerPixel);
    uint8_t* data = GetFrameDataAddr(frame);
    const int32_t stride = ka_iproc::FrameStride(frame);
    for (int32_t y = 0; y < GetFrameDepth(frame); ++y) {
        uint8_t* row = data + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < columns; ++x) {
            for (int32_t b = 0; b < bytesPerPixel; ++b) row[x * bytesPerPixel + b] = fn(x, y, b);
        }
    }
}

void FillRandom(FrameHandle frame, uint32_t seed) {
    std::mt19937 generator(seed);
    FillFrame(frame, [&](int32_t, int32_t, int32_t) { return static_cast<uint8_t>(generator() >> 24); });
}

void FillFlat(FrameHandle frame, uint8_t value) {
    FillFrame(frame, [&](int32_t, int32_t, int32_t) { return value; });
}

void SetPixelBytes(FrameHandle frame, const std::vector<uint8_t>& bytes) {
    const size_t rowBytes = RowDataBytes(frame);
    for (int32_t y = 0; y < GetFrameDepth(frame); ++y) {
        std::copy_n(bytes.begin() + y * rowBytes, rowBytes, GetFrameDataAddr(frame) + y * size_t(ka_iproc::FrameStride(frame)));
    }
}

std::vector<uint8_t> PixelBytes(FrameHandle frame) {
    std::vector<uint8_t> bytes;
    if (!frame) return bytes;
    const size_t rowBytes = RowDataBytes(frame);
    const uint8_t* data = GetFrameDataAddr(frame);
    const int32_t stride = ka_iproc::FrameStride(frame);
    for (int32_t y = 0; y < GetFrameDepth(frame); ++y) {
        const uint8_t* row = data + static_cast<size_t>(y) * stride;
        bytes.insert(bytes.end(), row, row + rowBytes);
    }
    return bytes;
}

void WithThreads(int n, const std::function<void()>& fn) {
    const int previous = omp_get_max_threads();
    omp_set_num_threads(n);
    fn();
    omp_set_num_threads(previous);
}

std::string Narrow(const std::u16string& text) { return ka_iproc::Utf8(text); }

}  // namespace kaf_test
