// Plain direct rank filters for the tests: every output pixel scans its whole
// neighbourhood, exactly as the rules are stated, with no cleverness to share
// mistakes with the engines.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "numeric.h"
#include "pixel_format.h"
#include "rank/rank_engines.h"

namespace rank_test {

// A frame in test memory with the module's row layout.
struct Picture {
    Picture(int32_t width, int32_t height, int32_t bitsPerPixel)
        : width(width), height(height), bpp(bitsPerPixel), stride(RowStride(width, bitsPerPixel)),
          bytes(stride * height, 0) {}

    PixelPlane Plane() {
        PixelPlane plane;
        plane.data = bytes.data();
        plane.stride = stride;
        plane.width = width;
        plane.height = height;
        plane.bitsPerPixel = bpp;
        return plane;
    }
    uint8_t* At(int32_t x, int32_t y) { return bytes.data() + y * stride + x * (bpp / 8); }
    const uint8_t* At(int32_t x, int32_t y) const { return bytes.data() + y * stride + x * (bpp / 8); }
    int BytesPerPixel() const { return bpp / 8; }

    int32_t width, height, bpp;
    size_t stride;
    std::vector<uint8_t> bytes;
};

// Pixel bytes drawn from `levels` evenly spread values (2 to 256): few levels
// make many ties of value and of brightness.
inline Picture RandomPicture(int32_t width, int32_t height, int32_t bpp, uint32_t seed, int levels = 256) {
    Picture picture(width, height, bpp);
    std::mt19937 generator(seed);
    for (auto& byte : picture.bytes) byte = static_cast<uint8_t>(generator() % levels * 255 / (levels - 1));
    return picture;
}

struct Window {
    int32_t x0, x1, y0, y1;
};
inline Window WindowOf(const Picture& p, int32_t x, int32_t y, int32_t r) {
    return {std::max(0, x - r), std::min(p.width - 1, x + r), std::max(0, y - r), std::min(p.height - 1, y + r)};
}

inline void ReferenceMedian(const Picture& in, Picture& out, int32_t r) {
    const int channels = in.bpp == 8 ? 1 : 3;
    for (int32_t y = 0; y < in.height; ++y) {
        for (int32_t x = 0; x < in.width; ++x) {
            const Window w = WindowOf(in, x, y, r);
            for (int c = 0; c < channels; ++c) {
                std::vector<uint8_t> values;
                for (int32_t j = w.y0; j <= w.y1; ++j) {
                    for (int32_t i = w.x0; i <= w.x1; ++i) values.push_back(in.At(i, j)[c]);
                }
                std::sort(values.begin(), values.end());
                const size_t half = values.size() / 2;
                out.At(x, y)[c] = half == 0 ? 255 : values[half - 1];
            }
            if (in.bpp == 32) out.At(x, y)[3] = in.At(x, y)[3];
        }
    }
}

inline void ReferenceExtreme(rank::ExtremeSelection selection, const Picture& in, Picture& out, int32_t r,
                             float t) {
    const bool gray = in.bpp == 8;
    const auto brightness = [&](const uint8_t* p) { return gray ? p[0] : p[0] + p[1] + p[2]; };
    static const uint8_t kWhite[3] = {255, 255, 255}, kBlack[3] = {0, 0, 0};
    for (int32_t y = 0; y < in.height; ++y) {
        for (int32_t x = 0; x < in.width; ++x) {
            const Window w = WindowOf(in, x, y, r);
            const uint8_t* darkest = kWhite;
            const uint8_t* brightest = kBlack;
            int darkBrightness = gray ? 255 : 765, brightBrightness = 0;
            for (int32_t j = w.y0; j <= w.y1; ++j) {
                for (int32_t i = w.x0; i <= w.x1; ++i) {
                    const uint8_t* p = in.At(i, j);
                    if (brightness(p) < darkBrightness) darkBrightness = brightness(p), darkest = p;
                    if (brightness(p) > brightBrightness) brightBrightness = brightness(p), brightest = p;
                }
            }
            const uint8_t* own = in.At(x, y);
            const uint8_t* selected = selection == rank::ExtremeSelection::Darkest     ? darkest
                                      : selection == rank::ExtremeSelection::Brightest ? brightest
                                      : brightness(own) - darkBrightness > brightBrightness - brightness(own)
                                          ? darkest
                                          : brightest;
            const float keep = 1.0f - t;
            for (int c = 0; c < (gray ? 1 : 3); ++c) {
                out.At(x, y)[c] = TruncateToByte(static_cast<float>(own[c]) * keep + static_cast<float>(selected[c]) * t);
            }
            if (in.bpp == 32) out.At(x, y)[3] = 1;
        }
    }
}

}  // namespace rank_test
