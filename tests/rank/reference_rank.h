// Plain direct rank filters for the tests: every output pixel scans its whole
// neighbourhood, exactly as the rules are stated, with no cleverness to share
// mistakes with the engines.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "host_api.h"
#include "numeric.h"
#include "rank/rank_engines.h"
#include "test_host.h"

namespace rank_test {

// Pixel bytes drawn from `levels` evenly spread values (2 to 256): few levels
// make many ties of value and of brightness.
inline void FillLevels(FrameHandle frame, uint32_t seed, int levels = 256) {
    std::mt19937 generator(seed);
    kaf_test::FillFrame(frame, [&](int32_t, int32_t, int32_t) { return uint8_t(generator() % levels * 255 / (levels - 1)); });
}

// Calls fn(pixel) for every pixel of the window of radius r around (x, y),
// clipped to the frame, in scan order.
template <class Fn>
void ForWindow(FrameHandle in, int32_t x, int32_t y, int32_t r, Fn fn) {
    for (int32_t j = std::max(0, y - r); j <= std::min(GetFrameDepth(in) - 1, y + r); ++j) {
        for (int32_t i = std::max(0, x - r); i <= std::min(GetFrameWidth(in) - 1, x + r); ++i) fn(kaf_test::PixelAt(in, i, j));
    }
}

inline void ReferenceMedian(FrameHandle in, FrameHandle out, int32_t r) {
    const int32_t bpp = GetFrameBPP(in);
    for (int32_t y = 0; y < GetFrameDepth(in); ++y) {
        for (int32_t x = 0; x < GetFrameWidth(in); ++x) {
            for (int c = 0; c < (bpp == 8 ? 1 : 3); ++c) {
                std::vector<uint8_t> values;
                ForWindow(in, x, y, r, [&](const uint8_t* p) { values.push_back(p[c]); });
                std::sort(values.begin(), values.end());
                const size_t half = values.size() / 2;
                kaf_test::PixelAt(out, x, y)[c] = half == 0 ? 255 : values[half - 1];
            }
            if (bpp == 32) kaf_test::PixelAt(out, x, y)[3] = kaf_test::PixelAt(in, x, y)[3];
        }
    }
}

inline void ReferenceExtreme(rank::ExtremeSelection selection, FrameHandle in, FrameHandle out, int32_t r, float t) {
    const bool gray = GetFrameBPP(in) == 8;
    const auto brightness = [&](const uint8_t* p) { return gray ? p[0] : p[0] + p[1] + p[2]; };
    static const uint8_t kWhite[3] = {255, 255, 255}, kBlack[3] = {0, 0, 0};
    for (int32_t y = 0; y < GetFrameDepth(in); ++y) {
        for (int32_t x = 0; x < GetFrameWidth(in); ++x) {
            const uint8_t* darkest = kWhite;
            const uint8_t* brightest = kBlack;
            int darkBrightness = gray ? 255 : 765, brightBrightness = 0;
            ForWindow(in, x, y, r, [&](const uint8_t* p) {
                if (brightness(p) < darkBrightness) darkBrightness = brightness(p), darkest = p;
                if (brightness(p) > brightBrightness) brightBrightness = brightness(p), brightest = p;
            });
            const uint8_t* own = kaf_test::PixelAt(in, x, y);
            const uint8_t* selected = selection == rank::ExtremeSelection::Darkest     ? darkest
                                      : selection == rank::ExtremeSelection::Brightest ? brightest
                                      : brightness(own) - darkBrightness > brightBrightness - brightness(own)
                                          ? darkest
                                          : brightest;
            uint8_t* result = kaf_test::PixelAt(out, x, y);
            for (int c = 0; c < (gray ? 1 : 3); ++c) {
                result[c] = TruncateToByte(static_cast<float>(own[c]) * (1.0f - t) + static_cast<float>(selected[c]) * t);
            }
            if (!gray && GetFrameBPP(in) == 32) result[3] = 1;
        }
    }
}

}  // namespace rank_test
