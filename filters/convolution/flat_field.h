// "flat_field": each pixel scaled by the ratio of the white calibration
// frame's mean to the calibration pixel at the same place, so that places
// where the calibration frame is darker than its mean are brightened. The
// mean is measured once per calibration frame, recognised by its timestamp.
#pragma once

#include <cstdint>

#include "filter.h"
#include "pixel_format.h"

// The calibration frame's mean brightness: at 8 bits the bytes, at 24 and 32
// bits the pixels' byte sums (of bytes 0, 1, 2) over 3.0, added in storage
// order into a single-precision sum; 0 for other depths.
float MeasureWhiteMean(const PixelPlane& frame);

class CFlatField final : public CFilter {
public:
    explicit CFlatField(int32_t methodIndex) : CFilter(methodIndex) {}
    bool Step(RunFrame& frame) override;

    float WhiteMean() const { return whiteMean; }

private:
    float whiteMean = 0.0f;
    uint32_t whiteTimestamp = 0;  // of the calibration frame seen by the previous run
    // The first run measures whatever timestamp the host reports (0 included).
    bool measured = false;
};
