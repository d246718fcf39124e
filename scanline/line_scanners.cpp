// The two exported line scanners. Both walk the segment the same way (see
// segment_walk.h); they differ in what one channel of an interpolated sample
// holds.
#include "scanline/segment_walk.h"

namespace scanline {
namespace {

// The image itself, blended between the four pixels around the sample. The
// weighted sum (at most 255 x 2^22) shifted right by 2s is the floor of the
// weighted mean.
struct PlainSampler {
    static constexpr int32_t kFarMargin = 1;  // reads the pixel's right and lower neighbours
    static constexpr int kMaxSubPixelBits = 11;

    template <int kStep>
    static uint32_t Blend(const uint8_t* at, size_t stride, const BilinearWeights& weight, int subPixelBits) {
        const uint8_t* below = at + stride;
        const int32_t sum = weight.topLeft * at[0] + weight.topRight * at[kStep] + weight.bottomLeft * below[0] +
                            weight.bottomRight * below[kStep];
        return static_cast<uint32_t>(sum) >> (2 * subPixelBits);
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

    template <int kStep>
    static uint32_t Blend(const uint8_t* at, size_t stride, const BilinearWeights& weight, int subPixelBits) {
        // The block's rows iy - 1 .. iy + 2, each from column ix - 1.
        const uint8_t* row[4];
        row[0] = at - stride - kStep;
        for (int r = 1; r < 4; ++r) row[r] = row[r - 1] + stride;
        // Column sums of the upper three rows (around the top corners) and of
        // the lower three (around the bottom corners).
        int32_t upper[4];
        int32_t lower[4];
        for (int k = 0; k < 4; ++k) {
            const int32_t middle = row[1][k * kStep] + row[2][k * kStep];
            upper[k] = row[0][k * kStep] + middle;
            lower[k] = middle + row[3][k * kStep];
        }
        const int32_t kTopLeft = 13 * row[1][kStep] - (upper[0] + upper[1] + upper[2]);
        const int32_t kTopRight = 13 * row[1][2 * kStep] - (upper[1] + upper[2] + upper[3]);
        const int32_t kBottomLeft = 13 * row[2][kStep] - (lower[0] + lower[1] + lower[2]);
        const int32_t kBottomRight = 13 * row[2][2 * kStep] - (lower[1] + lower[2] + lower[3]);
        const int32_t blend = weight.topLeft * kTopLeft + weight.topRight * kTopRight +
                              weight.bottomLeft * kBottomLeft + weight.bottomRight * kBottomRight;
        return blend < 0 ? 0 : static_cast<uint32_t>(blend) >> 2 >> (2 * subPixelBits);
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
