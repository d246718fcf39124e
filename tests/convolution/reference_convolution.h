// The convolution rules written the plain way, one pixel and one tap at a
// time with every tap tested against the frame: the yardstick the vectorised
// engines are held to.
#pragma once

#include <cstdint>
#include <vector>

#include "ka_iproc.h"
#include "numeric.h"
#include "test_host.h"

namespace conv_test {

enum class Finish { LowByte, Saturate };

// The output frame's pixel bytes (rows without padding, as
// kaf_test::PixelBytes gives them) for a kernel of kh x kw weights over the
// input frame.
inline std::vector<uint8_t> ReferenceConvolve(FrameHandle input, const std::vector<float>& kernel, int kh, int kw,
                                              Finish finish, bool normalise) {
    const int width = GetFrameWidth(input);
    const int height = GetFrameDepth(input);
    const int bytes = GetFrameBPP(input) / 8;
    const int channels = bytes == 1 ? 1 : 3;
    const int ry = (kh - 1) / 2;
    const int rx = (kw - 1) / 2;
    const std::vector<uint8_t> pixels = kaf_test::PixelBytes(input);
    auto at = [&](int column, int row) { return &pixels[(size_t(row) * width + column) * bytes]; };
    std::vector<uint8_t> out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float w = 0.0f;
            float s[3] = {0.0f, 0.0f, 0.0f};
            for (int ky = 0; ky < kh; ++ky) {
                for (int kx = 0; kx < kw; ++kx) {
                    const int row = y + ry - ky;
                    const int column = x - rx + kx;
                    if (row < 0 || row >= height || column < 0 || column >= width) continue;
                    const float k = kernel[ky * kw + kx];
                    w = w + k;
                    for (int c = 0; c < channels; ++c) s[c] = s[c] + float(at(column, row)[c]) * k;
                }
            }
            for (int c = 0; c < channels; ++c) {
                if (finish == Finish::LowByte) {
                    out.push_back(static_cast<uint8_t>(TruncateToInt32(s[c] / w)));
                } else {
                    float q = s[c];
                    if (normalise && w != 0.0f) q = q / w;
                    out.push_back(q != q || q < 0.0f ? 0 : q > 255.0f ? 255 : static_cast<uint8_t>(q));
                }
            }
            if (bytes == 4) out.push_back(at(x, y)[3]);
        }
    }
    return out;
}

}  // namespace conv_test
