// The two exported line scanners. Both walk the segment the same way (see
// segment_walk.h); they differ in what an interpolated sample holds.
#include "scanline/segment_walk.h"

namespace scanline {
namespace {

// Fixed-point bilinear weights of the four pixels around a sample: the pixel
// itself, its right, lower and lower-right neighbours. The four add up to
// S x S, so the blend of a flat area keeps its level.
struct BilinearWeights {
    int32_t topLeft;
    int32_t topRight;
    int32_t bottomLeft;
    int32_t bottomRight;

    BilinearWeights(int subPixelBits, int32_t fx, int32_t fy) {
        const int32_t S = int32_t(1) << subPixelBits;
        topLeft = (S - fx) * (S - fy);
        topRight = fx * (S - fy);
        bottomLeft = (S - fx) * fy;
        bottomRight = S * S - topLeft - topRight - bottomLeft;
    }
};

// The image itself, blended between the four pixels around the sample. The
// weighted sum (at most 255 x 2^22) shifted right by 2s is the floor of the
// weighted mean.
struct PlainSampler {
    static constexpr int32_t kFarMargin = 1;  // reads the pixel's right and lower neighbours
    static constexpr int kMaxSubPixelBits = 11;

    template <class Format>
    static void Interpolate(const SampleSource& source, int32_t ix, int32_t iy, int32_t fx, int32_t fy,
                            uint32_t (&channel)[4]) {
        constexpr int kStep = Format::kBytesPerPixel;
        const BilinearWeights weight(source.subPixelBits, fx, fy);
        const uint8_t* top = source.plane.Row(iy) + static_cast<size_t>(ix) * kStep;
        const uint8_t* bottom = top + source.plane.stride;
        for (int c = 0; c < kStep; ++c) {
            if ((source.selection.usedChannels >> c & 1) == 0) continue;
            const int32_t sum = weight.topLeft * top[c] + weight.topRight * top[c + kStep] +
                                weight.bottomLeft * bottom[c] + weight.bottomRight * bottom[c + kStep];
            channel[c] = static_cast<uint32_t>(sum) >> (2 * source.subPixelBits);
        }
    }
};

// The sharpened image, blended between the four pixels around the sample.
// Each of the four is replaced by its 3 x 3 sharpened sum K = 12 x pixel
// minus its eight neighbours (= 13 x pixel minus the 3 x 3 box), read from
// the 4 x 4 block around them. The kernel's weights add up to 4, so the
// blend is divided by 4 and by S x S; a negative blend gives 0, and the
// value can reach 765. |T| stays below 3060 x 2^18 for s up to 9.
struct SharpenedSampler {
    static constexpr int32_t kFarMargin = 2;  // the block reaches two pixels right and down
    static constexpr int kMaxSubPixelBits = 9;

    template <class Format>
    static void Interpolate(const SampleSource& source, int32_t ix, int32_t iy, int32_t fx, int32_t fy,
                            uint32_t (&channel)[4]) {
        constexpr int kStep = Format::kBytesPerPixel;
        const BilinearWeights weight(source.subPixelBits, fx, fy);
        const uint8_t* row[4];
        for (int r = 0; r < 4; ++r) {
            row[r] = source.plane.Row(iy - 1 + r) + static_cast<size_t>(ix - 1) * kStep;
        }
        for (int c = 0; c < kStep; ++c) {
            if ((source.selection.usedChannels >> c & 1) == 0) continue;
            // Column sums of the upper three rows (around the top corners) and
            // of the lower three (around the bottom corners).
            int32_t upper[4];
            int32_t lower[4];
            for (int k = 0; k < 4; ++k) {
                const int32_t middle = row[1][c + k * kStep] + row[2][c + k * kStep];
                upper[k] = row[0][c + k * kStep] + middle;
                lower[k] = middle + row[3][c + k * kStep];
            }
            const int32_t kTopLeft = 13 * row[1][c + kStep] - (upper[0] + upper[1] + upper[2]);
            const int32_t kTopRight = 13 * row[1][c + 2 * kStep] - (upper[1] + upper[2] + upper[3]);
            const int32_t kBottomLeft = 13 * row[2][c + kStep] - (lower[0] + lower[1] + lower[2]);
            const int32_t kBottomRight = 13 * row[2][c + 2 * kStep] - (lower[1] + lower[2] + lower[3]);
            const int32_t blend = weight.topLeft * kTopLeft + weight.topRight * kTopRight +
                                  weight.bottomLeft * kBottomLeft + weight.bottomRight * kBottomRight;
            channel[c] = blend < 0 ? 0 : static_cast<uint32_t>(blend) >> 2 >> (2 * source.subPixelBits);
        }
    }
};

}  // namespace
}  // namespace scanline

KAFILTERS_API void ScanLineSubPixelPrecision(tagBITMAPINFOHEADER* bitmap, ka_iproc::TRectangularRegion* region,
                                             ka_iproc::TLine line, int channelMode, unsigned int userValue,
                                             int subPixelBits, ScanSampleCallback sampleCallback) {
    scanline::ScanSegment<scanline::PlainSampler>(bitmap, region, line, channelMode, userValue, subPixelBits,
                                                  sampleCallback);
}

KAFILTERS_API void ScanLineSubPixelPrecisionWithSharpening(tagBITMAPINFOHEADER* bitmap,
                                                           ka_iproc::TRectangularRegion* region,
                                                           ka_iproc::TLine line, int channelMode,
                                                           unsigned int userValue, int subPixelBits,
                                                           ScanSampleCallback sampleCallback) {
    scanline::ScanSegment<scanline::SharpenedSampler>(bitmap, region, line, channelMode, userValue,
                                                      subPixelBits, sampleCallback);
}
