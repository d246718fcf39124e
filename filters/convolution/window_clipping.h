// Clipping a kernel window to the frame: taps that fall outside contribute
// neither weight nor pixel, so each output pixel's sum runs over the taps
// inside, in kernel order. The pixels whose whole window lies inside are
// handled together (in vector lanes, with no tests); the few nearer a side
// than the kernel's radius are handled one by one.
#pragma once

#include <algorithm>
#include <cstdint>

// Splits the pixels x0..x1-1 of a row by the kernel columns that meet the
// frame (column x - radius + k for k = 0..length-1): the pixels whose whole
// window lies inside form one span with every column; each pixel nearer a
// side than the radius is a span of its own with its columns clipped.
// Calls spanFn(x, pixels, firstColumn, columns).
template <class SpanFn>
void ForEachColumnSpan(int64_t x0, int64_t x1, int64_t radius, int64_t length, int64_t width, SpanFn&& spanFn) {
    const int64_t interiorBegin = std::min(std::max(x0, radius), x1);
    const int64_t interiorEnd = std::max(interiorBegin, std::min(x1, width - radius));
    auto borderPixel = [&](int64_t x) {
        const int64_t first = std::max<int64_t>(0, radius - x);
        const int64_t last = std::min(length - 1, width - 1 - x + radius);
        spanFn(x, 1, first, last - first + 1);
    };
    for (int64_t x = x0; x < interiorBegin; ++x) borderPixel(x);
    if (interiorEnd > interiorBegin) spanFn(interiorBegin, interiorEnd - interiorBegin, 0, length);
    for (int64_t x = interiorEnd; x < x1; ++x) borderPixel(x);
}

// The kernel rows that meet the frame for output row y, where kernel row k
// (of `length`) reads frame row y + radius - k.
struct RowRange {
    int64_t first;
    int64_t count;
};
inline RowRange KernelRowsInside(int64_t y, int64_t length, int64_t frameHeight) {
    const int64_t radius = (length - 1) / 2;
    const int64_t first = std::max<int64_t>(0, y + radius - (frameHeight - 1));
    const int64_t last = std::min(length - 1, y + radius);
    return {first, last - first + 1};
}
