#include "convolution_engine.h"

#include <algorithm>

#include "parallel.h"
#include "pixel_format.h"
#include "tap_span.h"

namespace {

struct KernelPass {
    const float* weights;
    int64_t height;  // kernel rows
    int64_t width;   // kernel columns
    SpanFinish finish;
    bool normalise;  // Saturate only; LowByte always divides by W
};

// One output row. The kernel rows that meet the frame are the same for every
// pixel of the row, so only the columns need clipping, and only within the
// kernel's half-width of either side: the pixels between take every kernel
// column and form one span with one W, computed in vector lanes. The border
// pixels are spans of their own, one pixel long, with their columns clipped.
template <class Format>
void ConvolveRow(const uint8_t* input, uint8_t* output, ptrdiff_t stride, int64_t frameHeight, int64_t frameWidth,
                 const KernelPass& pass, int64_t y) {
    constexpr int64_t B = Format::kBytesPerPixel;
    const int64_t ry = (pass.height - 1) / 2;
    const int64_t rx = (pass.width - 1) / 2;
    // Kernel row ky reads frame row y + ry - ky.
    const int64_t ky0 = std::max<int64_t>(0, y + ry - (frameHeight - 1));
    const int64_t ky1 = std::min<int64_t>(pass.height - 1, y + ry);

    TapSpan rows;
    rows.origin = input + (y + ry - ky0) * stride;  // kernel row ky0, column of x - rx
    rows.rowStep = -stride;
    rows.columnStep = B;
    rows.rows = static_cast<int32_t>(ky1 - ky0 + 1);
    rows.weights = pass.weights + ky0 * pass.width;
    rows.weightStride = pass.width;

    const uint8_t* inputRow = input + y * stride;
    uint8_t* outputRow = output + y * stride;
    auto convolvePixels = [&](TapSpan taps, int64_t x, int64_t count) {
        SpanOutput out;
        out.samples = outputRow + B * x;
        out.count = static_cast<int32_t>(B * count);
        out.finish = pass.finish;
        out.divisor = SumSpanWeights(taps);
        out.divide = pass.finish == SpanFinish::LowByte || (pass.normalise && out.divisor != 0.0f);
        out.fourthBytes = Format::kHasFourthByte ? inputRow + B * x : nullptr;
        ConvolveSpan(taps, out);
    };

    const int64_t interiorBegin = std::min(rx, frameWidth);
    const int64_t interiorEnd = std::max(interiorBegin, frameWidth - rx);
    auto convolveBorderPixel = [&](int64_t x) {
        const int64_t kx0 = std::max<int64_t>(0, rx - x);
        const int64_t kx1 = std::min<int64_t>(pass.width - 1, frameWidth - 1 - x + rx);
        TapSpan taps = rows;
        taps.origin += B * (x - rx + kx0);
        taps.weights += kx0;
        taps.columns = static_cast<int32_t>(kx1 - kx0 + 1);
        convolvePixels(taps, x, 1);
    };
    for (int64_t x = 0; x < interiorBegin; ++x) convolveBorderPixel(x);
    if (interiorEnd > interiorBegin) {
        TapSpan taps = rows;
        taps.origin += B * (interiorBegin - rx);
        taps.columns = static_cast<int32_t>(pass.width);
        convolvePixels(taps, interiorBegin, interiorEnd - interiorBegin);
    }
    for (int64_t x = interiorEnd; x < frameWidth; ++x) convolveBorderPixel(x);
}

void RunPass(FrameHandle input, FrameHandle output, int32_t height, int32_t width, const KernelPass& pass) {
    if (height < 1 || width < 1) return;
    const uint8_t* in = GetFrameDataAddr(input);
    uint8_t* out = GetFrameDataAddr(output);
    DispatchByDepth(GetFrameBPP(input), [&](auto format) {
        using Format = decltype(format);
        const ptrdiff_t stride = static_cast<ptrdiff_t>(RowStride<Format>(width));
        ParallelRows(height, [&](int32_t y) { ConvolveRow<Format>(in, out, stride, height, width, pass, y); });
    });
}

}  // namespace

void ConvolveRows(FrameHandle input, const float* kernel, int32_t length, FrameHandle output, int32_t height,
                  int32_t width) {
    RunPass(input, output, height, width, {kernel, 1, length, SpanFinish::LowByte, true});
}

void ConvolveColumns(FrameHandle input, const float* kernel, int32_t length, FrameHandle output, int32_t height,
                     int32_t width) {
    RunPass(input, output, height, width, {kernel, length, 1, SpanFinish::LowByte, true});
}

void ConvolveKernel(FrameHandle input, const float* kernel, int32_t kernelHeight, int32_t kernelWidth,
                    FrameHandle output, int32_t height, int32_t width, bool normalise) {
    RunPass(input, output, height, width, {kernel, kernelHeight, kernelWidth, SpanFinish::Saturate, normalise});
}
