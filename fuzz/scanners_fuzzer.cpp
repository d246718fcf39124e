// Both line scanners on bitmaps of any geometry and depth, with segments whose
// coordinates are NaN, infinite, far outside or ordinary, of zero or
// enormous length, every channel mode (and others), 1 to 11 sub-pixel bits
// (and others), a null or rotated region, and callbacks that stop the walk.
//
// Beyond what the sanitizers catch: no sample for coordinates that are not
// finite or a length whose step count does not fit 32 bits, every sample's
// position inside the bitmap, and no more samples than steps.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "fuzz_frames.h"
#include "kafilters.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_scanners: %s\n", what);
        std::abort();
    }
}

struct Walk {
    int32_t width = 0;
    int32_t height = 0;
    long samples = 0;
    long stopAfter = -1;
};
Walk* gWalk = nullptr;

unsigned char KA_SCAN_CALLBACK OnSample(unsigned int, float x, float y, unsigned int) {
    Check(x > -1.0f && y > -1.0f && x < gWalk->width && y < gWalk->height, "a sample lies inside the bitmap");
    ++gWalk->samples;
    return gWalk->samples == gWalk->stopAfter ? 0 : 1;
}

// A coordinate: mostly within a few hundred pixels of the bitmap (segments a
// walk finishes quickly), or special: NaN, infinities, far outside, or huge.
double ConsumeCoordinate(FuzzedDataProvider& data) {
    static const double kSpecial[] = {std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(),
                                      1e300, -1e300, 3.5e38, 1e12, -1e12, 4.3e9, 2147483648.0, -0.0};
    switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return kSpecial[data.ConsumeIntegralInRange<size_t>(0, std::size(kSpecial) - 1)];
    case 1: return data.ConsumeIntegralInRange<int32_t>(-16, 80);
    default: return data.ConsumeFloatingPointInRange<double>(-300.0, 300.0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    static const int32_t kDepths[] = {8, 32, 8, 32, 1, 4, 16, 24};
    const int32_t depth = data.ConsumeIntegralInRange<int>(0, 15) == 0 ? data.ConsumeIntegralInRange<int32_t>(0, 40)
                                                                       : kDepths[data.ConsumeIntegralInRange<size_t>(0, 7)];
    const int32_t width = data.ConsumeIntegralInRange<int32_t>(-1, 70);
    const int32_t height = data.ConsumeIntegralInRange<int32_t>(-1, 70);
    const bool sharpened = data.ConsumeBool();
    const int channelMode = data.ConsumeIntegralInRange<int>(0, 7) == 0 ? data.ConsumeIntegral<int>()
                                                                        : data.ConsumeIntegralInRange<int>(0, 5);
    const int subPixelBits = data.ConsumeIntegralInRange<int>(0, 15) == 0 ? data.ConsumeIntegralInRange<int>(-2, 40)
                                                                          : data.ConsumeIntegralInRange<int>(1, 11);
    ka_iproc::TRectangularRegion region{ConsumeCoordinate(data), ConsumeCoordinate(data), ConsumeCoordinate(data),
                                        ConsumeCoordinate(data), ConsumeCoordinate(data)};
    const bool withRegion = data.ConsumeBool();
    const ka_iproc::TLine line{ConsumeCoordinate(data), ConsumeCoordinate(data), ConsumeCoordinate(data),
                               ConsumeCoordinate(data)};
    // A segment of a million steps or more that still fits 32 bits is walked
    // step by step, as it should be; it only makes a slow unit, so it is left out.
    const float dx = static_cast<float>(line.x2 - line.x1);
    const float dy = static_cast<float>(line.y2 - line.y1);
    const float steps = std::sqrt(dy * dy + dx * dx);
    if (steps >= 1048576.0f && steps < 2147483648.0f) return 0;

    Walk walk;
    walk.width = width;
    walk.height = height;
    walk.stopAfter = data.ConsumeIntegralInRange<long>(-1, 20);

    ka_iproc::Session session;
    FrameHandle bitmap = kaf_fuzz::AddFrame(session, u"bitmap", width, height, depth, data);
    gWalk = &walk;
    const auto scan = sharpened ? ScanLineSubPixelPrecisionWithSharpening : ScanLineSubPixelPrecision;
    scan(static_cast<BITMAPINFOHEADER*>(bitmap), withRegion ? &region : nullptr, line, channelMode, 7,
         subPixelBits, OnSample);

    const bool finite = std::isfinite(line.x1) && std::isfinite(line.y1) && std::isfinite(line.x2) &&
                        std::isfinite(line.y2);
    const double length = std::hypot(line.x2 - line.x1, line.y2 - line.y1);
    if (!finite || !(length < 2147483000.0)) Check(walk.samples == 0, "no sample for such a segment");
    if (finite && length < 1e9) Check(walk.samples <= static_cast<long>(length) + 1, "no more samples than steps");
    if (walk.stopAfter > 0) Check(walk.samples <= walk.stopAfter, "a callback's 0 ends the walk");
    return 0;
}
