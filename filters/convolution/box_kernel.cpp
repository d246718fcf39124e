#include "box_kernel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "box_sum_rows.h"
#include "parallel.h"
#include "row_prefetch.h"
#include "window_clipping.h"

namespace {

// Each thread keeps the column sums of a strip of the frame (whole rows up to
// 16384 samples) on its own stack.
constexpr int64_t kStripSamples = 16384;

// The centre weight when every other weight is exactly 1 and the centre a
// whole number of at least 0 that keeps every sum below 2^24; else -1.
double WholeCentre(const float* kernel, int32_t kernelHeight, int32_t kernelWidth) {
    const int64_t taps = static_cast<int64_t>(kernelHeight) * kernelWidth;
    const int64_t centre = (kernelHeight / 2) * static_cast<int64_t>(kernelWidth) + kernelWidth / 2;
    const float one = 1.0f;
    for (int64_t i = 0; i < taps; ++i) {
        if (i != centre && std::memcmp(&kernel[i], &one, sizeof one) != 0) return -1.0;
    }
    const double c = kernel[centre];
    if (!std::isfinite(c) || c < 0.0 || c != std::trunc(c)) return -1.0;
    if (255.0 * (static_cast<double>(taps - 1) + c) >= 16777216.0) return -1.0;
    return c;
}

struct BoxPass {
    const PixelPlane& input;
    const PixelPlane& output;
    int32_t kernelHeight;
    int32_t kernelWidth;
    int32_t centre;  // the centre weight, a whole number
    bool normalise;
    const BoxSumRows& rows;
};

// Output rows y0 .. y1 - 1, pixels p0 .. p1 - 1. sums[] holds the column
// sums over the rows of the current window for the pixels p0 - rx ..
// p1 + rx - 1, zero for pixels outside the frame, so that a window sum takes
// every kernel column and the ones outside add nothing.
template <class Format>
void BoxStrip(const BoxPass& pass, int32_t y0, int32_t y1, int64_t p0, int64_t p1, int32_t* sums) {
    constexpr int64_t B = Format::kBytesPerPixel;
    const PixelPlane& in = pass.input;
    const int32_t ry = pass.kernelHeight / 2, rx = pass.kernelWidth / 2;
    const int64_t first = std::max<int64_t>(0, p0 - rx), last = std::min<int64_t>(in.width, p1 + rx);
    const int64_t lead = (first - (p0 - rx)) * B, count = (last - first) * B;
    const auto row = [&](int32_t j) { return j >= 0 && j < in.height ? in.Row(j) + first * B : nullptr; };
    std::fill(sums, sums + (p1 - p0 + 2 * rx) * B, 0);
    for (int32_t j = std::max(0, y0 - ry); j <= std::min(in.height - 1, y0 + ry); ++j) {
        pass.rows.slide(sums + lead, row(j), nullptr, count);
    }
    for (int32_t y = y0; y < y1; ++y) {
        if (y > y0) {
            if (y + ry + 2 < in.height) PrefetchRow(row(y + ry + 2), static_cast<size_t>(count));
            pass.rows.slide(sums + lead, row(y + ry), row(y - ry - 1), count);
        }
        const uint8_t* own = in.Row(y);
        uint8_t* out = pass.output.Row(y);
        const int64_t rowsInside = KernelRowsInside(y, pass.kernelHeight, in.height).count;
        // W over the taps inside: their ones and the centre, which is always
        // inside. The sums outside the frame are 0, so every span's window
        // may take every kernel column.
        auto span = [&](int64_t x, int64_t pixels, int64_t, int64_t columns) {
            const float weightSum = static_cast<float>(rowsInside * columns - 1 + pass.centre);
            BoxFinish finish;
            finish.divide = pass.normalise && weightSum != 0.0f;
            finish.divisor = weightSum;
            finish.fourthBytes = Format::kHasFourthByte ? own + x * B : nullptr;
            pass.rows.windows(sums + (x - p0) * B, B, pass.kernelWidth, own + x * B, pass.centre - 1, finish,
                              out + x * B, pixels * B);
        };
        ForEachColumnSpan(p0, p1, rx, pass.kernelWidth, in.width, span);
    }
}

template <class Format>
void ConvolveBox(const BoxPass& pass, int64_t stripPixels) {
    const PixelPlane& in = pass.input;
    ParallelRowBlocks(in.height, 8 * pass.kernelHeight, [&](int32_t y0, int32_t y1) {
        alignas(64) int32_t sums[kStripSamples];
        for (int64_t p0 = 0; p0 < in.width; p0 += stripPixels) {
            BoxStrip<Format>(pass, y0, y1, p0, std::min<int64_t>(in.width, p0 + stripPixels), sums);
        }
    });
}

}  // namespace

bool ConvolveBoxKernel(const PixelPlane& input, const float* kernel, int32_t kernelHeight, int32_t kernelWidth,
                       const PixelPlane& output, bool normalise) {
    if (input.width < 1 || input.height < 1 || kernelHeight < 1 || kernelWidth < 1) return false;
    const double centre = WholeCentre(kernel, kernelHeight, kernelWidth);
    if (centre < 0.0) return false;
    bool done = false;
    DispatchByDepth(input.bitsPerPixel, [&](auto format) {
        using Format = decltype(format);
        // Kernels too wide for a strip of column sums go to the kernel engine.
        const int64_t stripPixels = kStripSamples / Format::kBytesPerPixel - 2 * (kernelWidth / 2);
        if (stripPixels < 1) return;
        const BoxPass pass{input, output, kernelHeight, kernelWidth, static_cast<int32_t>(centre), normalise,
                           kaf_isa::WidestTable(BoxSumRowsFor)};
        ConvolveBox<Format>(pass, stripPixels);
        done = true;
    });
    return done;
}
