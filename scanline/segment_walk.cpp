#include "scanline/segment_walk.h"

#include <cmath>
#include <limits>

namespace scanline {
namespace {

// Degrees to radians, in double precision.
constexpr double kRadiansPerDegree = 0.017453292519943295;

// Rounds a double to single precision as the hardware does (to nearest, ties
// to even), with magnitudes from halfway between the largest float and 2^128
// on becoming infinite, so no conversion is ever out of range.
float NarrowToFloat(double value) {
    constexpr double kOverflowFrom = 0x1.ffffffp127;  // ties go to 2^128, i.e. to infinity
    if (std::fabs(value) >= kOverflowFrom) {
        const float infinity = std::numeric_limits<float>::infinity();
        return value > 0 ? infinity : -infinity;
    }
    return static_cast<float>(value);  // NaN stays NaN
}

}  // namespace

bool SelectChannels(int32_t bitsPerPixel, int channelMode, ChannelSelection* selection) {
    *selection = ChannelSelection();
    if (bitsPerPixel == 8) {
        // One grey byte: mode 0 repeats it in bytes 0 to 2, every other mode takes it as it is.
        selection->usedChannels = 1;
        if (channelMode == 0) selection->packing = ChannelSelection::kGrayPacked;
        return true;
    }
    if (bitsPerPixel != 32) return false;
    switch (channelMode) {
    case 0:  // all four bytes, packed in memory order
        selection->usedChannels = 0xF;
        selection->packing = ChannelSelection::kBytePacked;
        return true;
    case 1:  // the mean of blue, green and red
        selection->usedChannels = 0x7;
        selection->divisor = 3;
        return true;
    case 2: selection->usedChannels = 1u << 2; return true;  // red
    case 3: selection->usedChannels = 1u << 1; return true;  // green
    case 4: selection->usedChannels = 1u << 0; return true;  // blue
    default: return false;
    }
}

bool PrepareWalk(const ka_iproc::TRectangularRegion* region, const ka_iproc::TLine& line, int subPixelBits,
                 int maxSubPixelBits, SegmentWalk* walk) {
    // The weighted sums are 32-bit integers; beyond this precision they would overflow.
    if (subPixelBits < 0 || subPixelBits > maxSubPixelBits) return false;
    if (!std::isfinite(line.x1) || !std::isfinite(line.y1) || !std::isfinite(line.x2) ||
        !std::isfinite(line.y2)) {
        return false;
    }

    // A null region has no angle; the region test then gets the unrotated axes.
    if (region != nullptr) {
        const float angle = NarrowToFloat(region->angle * kRadiansPerDegree);
        walk->sine = static_cast<float>(std::sin(static_cast<double>(angle)));
        walk->cosine = static_cast<float>(std::cos(static_cast<double>(angle)));
    }

    // The number of steps is the segment's length, in single precision, rounded.
    const float dx = NarrowToFloat(line.x2 - line.x1);
    const float dy = NarrowToFloat(line.y2 - line.y1);
    const float length = std::sqrt(dy * dy + dx * dx);
    walk->steps = RoundReal(length);  // the 32-bit minimum when the length is beyond the range
    if (walk->steps < 1) return false;

    // Positions are carried as S times the pixel position; one step is S / N
    // of the segment, the quotient taken first.
    walk->subPixelBits = subPixelBits;
    walk->subSteps = static_cast<float>(uint32_t(1) << subPixelBits);
    walk->pixelsPerSubStep = 1.0f / walk->subSteps;
    const float perStep = walk->subSteps / static_cast<float>(walk->steps);
    walk->stepX = perStep * dx;
    walk->stepY = perStep * dy;
    walk->px = NarrowToFloat(static_cast<double>(walk->subSteps) * line.x1);
    walk->py = NarrowToFloat(static_cast<double>(walk->subSteps) * line.y1);
    // From an infinite start no step reaches the frame.
    return std::isfinite(walk->px) && std::isfinite(walk->py);
}

}  // namespace scanline
