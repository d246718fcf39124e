#include "skeleton.h"

#include <algorithm>
#include <cstring>

#include "parallel.h"
#include "pixel_format.h"
#include "run_frame.h"
#include "scratch.h"
#include "threshold_passes.h"

namespace {

constexpr int32_t kIterationsInput = 1;
constexpr int32_t kThresholdInput = 2;

// A work image block: GetFrameSize of the output frame plus 8 x (width +
// height) + 16 bytes, which holds the header and (width + 2) x (height + 2)
// pixels with room to spare. Laid out anew unless it holds that geometry.
bool EnsureWorkImage(ScratchFrame& block, FrameHandle outputFrame, int32_t width, int32_t height) {
    if (width > INT32_MAX - 2 || height > INT32_MAX - 2) return false;
    if (block.Holds(width + 2, height + 2, 8)) return true;
    const size_t frameSize = GetFrameSize(outputFrame);
    const size_t extra = 8 * (static_cast<size_t>(width) + static_cast<size_t>(height)) + 16;
    return frameSize != 0 && frameSize <= SIZE_MAX - extra && block.LayOut(frameSize + extra, width + 2, height + 2, 8);
}

void SetBorder(const WorkImage& image) {
    const size_t rowBytes = static_cast<size_t>(image.width) + 2;
    std::memset(image.At(0, 0), 255, rowBytes);
    std::memset(image.At(image.height + 1, 0), 255, rowBytes);
    for (int32_t i = 1; i <= image.height; ++i) {
        *image.At(i, 0) = 255;
        *image.At(i, image.width + 1) = 255;
    }
}

// Input pixel (y, x) -> work pixel (y + 1, x + 1): 0 when dark (grey value
// below the level, colour sum below three times the level), else 255.
template <class Format>
void ThresholdRows(const PixelPlane& input, const WorkImage& image, int32_t level) {
    const int32_t limit = level * (Format::kChannels == 1 ? 1 : 3);
    ParallelRows(image.height, [&](int32_t y) {
        const uint8_t* in = input.Row(y);
        uint8_t* out = image.At(y + 1, 1);
        for (int32_t x = 0; x < image.width; ++x) {
            const uint8_t* p = in + static_cast<size_t>(x) * Format::kBytesPerPixel;
            const int32_t value = Format::kChannels == 1 ? p[0] : p[0] + p[1] + p[2];
            out[x] = value < limit ? 0 : 255;
        }
    });
}

inline int32_t CountTransitionsAt(const uint8_t* p, size_t stride, int32_t level) {
    const uint8_t* above = p - stride;
    const uint8_t* below = p + stride;
    const uint8_t walk[9] = {above[-1], above[0], above[1], p[1], below[1], below[0], below[-1], p[-1], above[-1]};
    int32_t transitions = 0;
    for (int k = 0; k < 8; ++k) transitions += walk[k] < level && walk[k + 1] >= level;
    return transitions;
}

// Columns per chunk of PrunePass's row work; the per-chunk flags live on the stack.
constexpr int32_t kPruneChunk = 1024;
// Stands in a destination row for a pixel that the neighbour count leaves
// undecided, until its transitions decide it.
constexpr uint8_t kUndecided = 1;

}  // namespace

void PrunePass(const PixelPlane& source, const PixelPlane& destination, int32_t thresholdLevel) {
    const WorkImage from(source);
    const WorkImage to(destination);
    const int32_t height = from.height;
    const int32_t width = from.width;
    const int32_t level = std::clamp(thresholdLevel, 0, 256);
    ParallelRows(height, [&](int32_t y) {
        const int32_t i = y + 1;
        const uint8_t* rows[3] = {from.At(i - 1, 0), from.At(i, 0), from.At(i + 1, 0)};
        uint8_t* out = to.At(i, 0);
        for (int32_t j0 = 1; j0 <= width; j0 += kPruneChunk) {
            const int32_t n = std::min(kPruneChunk, width + 1 - j0);
            // dark[r][k]: pixel (i - 1 + r, j0 - 1 + k) is below the level.
            uint8_t dark[3][kPruneChunk + 2];
            for (int r = 0; r < 3; ++r) {
                for (int32_t k = 0; k < n + 2; ++k) dark[r][k] = rows[r][j0 - 1 + k] < level;
            }
            // Background stays 255; an object pixel with three or more object
            // neighbours stays 0; the rest need their transitions counted.
            for (int32_t k = 0; k < n; ++k) {
                const int32_t neighbours = dark[0][k] + dark[0][k + 1] + dark[0][k + 2] + dark[1][k] +
                                           dark[1][k + 2] + dark[2][k] + dark[2][k + 1] + dark[2][k + 2];
                out[j0 + k] = !dark[1][k + 1] ? 255 : neighbours >= 3 ? 0 : kUndecided;
            }
            uint8_t* const end = out + j0 + n;
            for (uint8_t* p = out + j0; (p = static_cast<uint8_t*>(std::memchr(p, kUndecided, end - p))); ++p) {
                const int32_t j = static_cast<int32_t>(p - out);
                *p = CountTransitionsAt(from.At(i, j), from.stride, level) >= 2 ? 0 : 255;
            }
        }
    });
}

bool CSkelet::Step(RunFrame& frame) {
    const int32_t width = frame.Width();
    const int32_t height = frame.Height();
    UpdateGeometryCache(width, height, -1);

    const int32_t maxIterations = frame.Integer(kIterationsInput);  // 0: thin until nothing changes
    // The level, not the threshold, is clamped: a threshold a little outside
    // 0 to 1 whose level still falls in 0 to 255 passes without a warning.
    const float threshold = frame.Real(kThresholdInput);
    int32_t thresholdLevel = ThresholdLevel(threshold);
    if (thresholdLevel > 255) {
        frame.WarnRealReplaced(threshold, 1.0f);
        thresholdLevel = 255;
    } else if (thresholdLevel < 0) {
        frame.WarnRealReplaced(threshold, 0.0f);
        thresholdLevel = 0;
    }

    if (!frame.FetchOutputFrame(8)) return false;
    if (!EnsureWorkImage(thresholdFrame, frame.OutputFrame(), width, height) ||
        !EnsureWorkImage(skeletonFrame, frame.OutputFrame(), width, height)) {
        return frame.FailOutOfMemory();
    }
    const PixelPlane input = frame.InputPlane();
    const WorkImage thresholded(thresholdFrame.Plane());
    // An input depth the threshold step cannot read leaves the output frame
    // as the host gave it.
    const bool supported = DispatchByDepth(frame.Bpp(), [&](auto format) {
        ThresholdRows<decltype(format)>(input, thresholded, thresholdLevel);
    });
    if (!supported) return true;
    SetBorder(thresholded);
    SetBorder(WorkImage(skeletonFrame.Plane()));

    PrunePass(thresholdFrame.Plane(), skeletonFrame.Plane(), thresholdLevel);
    if (!ThinningStep(frame.OutputPlane(), maxIterations)) return frame.FailOutOfMemory();
    return true;
}

bool CSkelet::ThinningStep(const PixelPlane& output, int32_t maxIterations) {
    const WorkImage image(skeletonFrame.Plane());
    // The thinning runs on the calling thread: its eight neighbour codes
    // live on that thread's stack.
    int32_t neighbourCodes[8] = {};
    if (!thinning.Thin(image, maxIterations, neighbourCodes)) return false;

    RemoveStairs(image);

    ParallelRows(image.height, [&](int32_t y) {
        std::memcpy(output.Row(y), image.At(y + 1, 1), static_cast<size_t>(image.width));
    });
    return true;
}
