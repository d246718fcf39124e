// The walk shared by both line scanners: the segment's set-up, the fixed-point
// stepping from pixel to pixel, the choice between an interpolated sample, an
// edge sample and no sample, and the value a sample carries for each channel
// mode. What an interpolated sample holds is the sampler's business (plain
// bilinear, or bilinear over the sharpened image); everything else is here.
#pragma once

#include <cstdint>

#include "kafilters.h"
#include "pixel_format.h"

namespace scanline {

// Floor division by 2^shift, for negative positions too (a position of -1
// sub-step lies in pixel -1, not 0).
inline int32_t FloorShift(int32_t value, int shift) {
    return value >= 0 ? value >> shift : ~(~value >> shift);
}

// The fraction of a fixed-point position: its low bits, 0 to mask.
inline int32_t FixedFraction(int32_t value, uint32_t mask) {
    return static_cast<int32_t>(static_cast<uint32_t>(value) & mask);
}

// Which channels a sample's value is made of and how they combine.
struct ChannelSelection {
    enum Packing { kMean, kGrayPacked, kBytePacked };
    uint32_t usedChannels = 0;  // bit c set: channel c contributes
    uint32_t divisor = 1;       // 3 for the mean of blue, green and red
    Packing packing = kMean;
};

// The selection for a channel mode at 8 or 32 bits; false when a 32-bit
// frame has no such mode (an 8-bit frame takes its grey level for any mode
// but 0).
bool SelectChannels(int32_t bitsPerPixel, int channelMode, ChannelSelection* selection);

// A packed byte holds at most 255; the sharpened values can exceed it.
inline uint32_t ClampToByte(uint32_t value) { return value > 255 ? 255 : value; }

// The value handed to the callback, from the channel values (0 for the
// channels not used).
inline uint32_t FormValue(const ChannelSelection& selection, const uint32_t (&channel)[4]) {
    switch (selection.packing) {
    case ChannelSelection::kGrayPacked: return ClampToByte(channel[0]) * 0x10101u;
    case ChannelSelection::kBytePacked:
        return ClampToByte(channel[0]) | ClampToByte(channel[1]) << 8 | ClampToByte(channel[2]) << 16 |
               ClampToByte(channel[3]) << 24;
    default: return (channel[0] + channel[1] + channel[2] + channel[3]) / selection.divisor;
    }
}

// The segment ready to walk: N steps from (px, py), in fixed point of
// 2^subPixelBits sub-steps a pixel, carried in single precision.
struct SegmentWalk {
    int32_t steps = 0;  // N, the rounded length; the walk makes no sample when below 1
    float px = 0.0f;
    float py = 0.0f;
    float stepX = 0.0f;
    float stepY = 0.0f;
    int subPixelBits = 0;
    float subSteps = 1.0f;  // S = 2^subPixelBits
    float pixelsPerSubStep = 1.0f;  // 1 / S, exact: multiplying by it divides by S
    double sine = 0.0;      // of the region angle, for the region test
    double cosine = 1.0;
};

// The set-up of a walk from the segment and the region; false when the walk
// can make no sample (coordinates not finite, a rounded length below 1 or
// beyond the 32-bit range, or a precision outside 0 to maxSubPixelBits).
bool PrepareWalk(const ka_iproc::TRectangularRegion* region, const ka_iproc::TLine& line, int subPixelBits,
                 int maxSubPixelBits, SegmentWalk* walk);

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

// Everything the walk reads: the pixels, the channels in use and the
// fixed-point precision.
struct SampleSource {
    PixelPlane plane;
    ChannelSelection selection;
    int subPixelBits = 0;
};

// Walks the segment and reports each sample. Sampler::kFarMargin is the
// number of columns (rows) at the right (bottom) that the sampler cannot
// interpolate at: a step whose pixel lies inside the frame but outside the
// band [1, w - 1 - kFarMargin] x [1, h - 1 - kFarMargin] is an edge sample
// carrying the pixel's own value at the pixel's integer position, whatever
// the region says. Sampler::Blend<kStep>(at, stride, weight, subPixelBits)
// gives one channel of an interpolated sample, from that channel's byte of
// pixel (ix, iy) with kStep bytes from pixel to pixel.
template <class Sampler, class Format>
void WalkSegment(tagBITMAPINFOHEADER* bitmap, ka_iproc::TRectangularRegion* region, const SegmentWalk& walk,
                 const SampleSource& source, unsigned int userValue, ScanSampleCallback sampleCallback) {
    const int s = walk.subPixelBits;
    const uint32_t fractionMask = (uint32_t(1) << s) - 1;
    const int32_t w = source.plane.width;
    const int32_t h = source.plane.height;
    const uint32_t used = source.selection.usedChannels;
    float px = walk.px;
    float py = walk.py;
    for (int32_t i = 0; i < walk.steps; ++i, px += walk.stepX, py += walk.stepY) {
        const int32_t rx = RoundReal(px);
        const int32_t ry = RoundReal(py);
        const int32_t ix = FloorShift(rx, s);
        const int32_t iy = FloorShift(ry, s);
        if (ix < 0 || ix >= w || iy < 0 || iy >= h) continue;  // off the frame: no sample

        constexpr int kStep = Format::kBytesPerPixel;
        const uint8_t* pixel = source.plane.Row(iy) + static_cast<size_t>(ix) * kStep;
        uint32_t channel[4] = {0, 0, 0, 0};
        float x;
        float y;
        const bool inBand = ix >= 1 && ix < w - Sampler::kFarMargin && iy >= 1 && iy < h - Sampler::kFarMargin;
        if (inBand) {
            // The region decides only here: the edge ring is reported whatever it says.
            if (!PixelInRectangularRegion(bitmap, region, ix, iy, walk.sine, walk.cosine)) continue;
            const BilinearWeights weight(s, FixedFraction(rx, fractionMask), FixedFraction(ry, fractionMask));
            for (int c = 0; c < kStep; ++c) {
                if (used >> c & 1) {
                    channel[c] = Sampler::template Blend<kStep>(pixel + c, source.plane.stride, weight, s);
                }
            }
            x = px * walk.pixelsPerSubStep;  // px / S
            y = py * walk.pixelsPerSubStep;
        } else {
            for (int c = 0; c < kStep; ++c) {
                if (used >> c & 1) channel[c] = pixel[c];
            }
            x = static_cast<float>(ix);
            y = static_cast<float>(iy);
        }
        if (sampleCallback(userValue, x, y, FormValue(source.selection, channel)) == 0) return;
    }
}

// The whole scan with the given sampler: set-up, then the walk at the
// frame's depth. Frames of other depths, unknown channel modes at 32 bits,
// a null frame or callback make no sample.
template <class Sampler>
void ScanSegment(tagBITMAPINFOHEADER* bitmap, ka_iproc::TRectangularRegion* region, const ka_iproc::TLine& line,
                 int channelMode, unsigned int userValue, int subPixelBits, ScanSampleCallback sampleCallback) {
    if (bitmap == nullptr || sampleCallback == nullptr) return;
    SegmentWalk walk;
    if (!PrepareWalk(region, line, subPixelBits, Sampler::kMaxSubPixelBits, &walk)) return;
    SampleSource source;
    source.subPixelBits = subPixelBits;
    const int32_t bitsPerPixel = GetFrameBPP(bitmap);
    if (!SelectChannels(bitsPerPixel, channelMode, &source.selection)) return;
    source.plane.width = GetFrameWidth(bitmap);
    source.plane.height = GetFrameDepth(bitmap);
    source.plane.data = GetFrameDataAddr(bitmap);
    source.plane.stride = RowStride(source.plane.width, bitsPerPixel);
    if (source.plane.data == nullptr || source.plane.width < 1 || source.plane.height < 1) return;
    DispatchGrayOrBgra(bitsPerPixel, [&](auto format) {
        WalkSegment<Sampler, decltype(format)>(bitmap, region, walk, source, userValue, sampleCallback);
    });
}

}  // namespace scanline
