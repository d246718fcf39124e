// Rounding to integers and the rotated-rectangle test the line scanners use
// to decide which positions they may sample.
#include <cmath>

#include "ka_iproc.h"

extern "C" {

int32_t RoundReal(float value) {
    // Halves go away from zero, as lroundf. Anything that rounds outside the
    // 32-bit range (and NaN, which fails both comparisons) gives the
    // integer-indefinite value; a double holds every float exactly.
    const double wide = value;
    if (!(wide > -2147483648.5 && wide < 2147483647.5)) return INT32_MIN;
    return static_cast<int32_t>(std::lround(wide));
}

bool PixelInRectangularRegion(const BITMAPINFOHEADER* /*bitmap*/, const ka_iproc::TRectangularRegion* region,
                              double x, double y, double sine, double cosine) {
    if (!region) return true;
    // The position in the region's own axes: rotate the offset from the
    // centre back by the region's angle.
    const double dx = x - region->centreX;
    const double dy = y - region->centreY;
    const double u = dx * cosine + dy * sine;
    const double v = -dx * sine + dy * cosine;
    return std::fabs(u) <= region->width / 2 && std::fabs(v) <= region->height / 2;
}

}  // extern "C"
