#include "morphology_support.h"

#include <algorithm>
#include <functional>
#include <random>

#include "host_api.h"
#include "test_host.h"

namespace morph_test {

Picture PictureOf(FrameHandle frame) {
    Picture picture(GetFrameDepth(frame), std::string(GetFrameWidth(frame), '?'));
    for (int32_t y = 0; y < GetFrameDepth(frame); ++y) {
        for (int32_t x = 0; x < GetFrameWidth(frame); ++x) {
            const uint8_t v = *kaf_test::PixelAt(frame, x, y);
            if (v == 0 || v == 255) picture[y][x] = v == 0 ? '#' : '.';
        }
    }
    return picture;
}

Picture PictureWith(int32_t width, int32_t height, const std::vector<std::pair<int, int>>& dark) {
    Picture picture(height, std::string(width, '.'));
    for (const auto& [row, column] : dark) picture[row][column] = '#';
    return picture;
}

kaf_test::Outcome RunOnPicture(kaf_test::TestHost& host, const Picture& picture) {
    FrameHandle frame = host.AddFrame(static_cast<int32_t>(picture[0].size()), static_cast<int32_t>(picture.size()), 8);
    kaf_test::FillFrame(frame, [&](int32_t x, int32_t y, int32_t) { return uint8_t(picture[y][x] == '#' ? 0 : 255); });
    return host.Run();
}

std::vector<std::string> Narrowed(const std::vector<std::u16string>& texts) {
    std::vector<std::string> out;
    for (const auto& t : texts) out.push_back(kaf_test::Narrow(t));
    return out;
}

std::string ClampWarning(const std::string& name, const std::string& oldValue, const std::string& newValue) {
    return "Not acceptable value of the parameter " + name + " (" + oldValue + "). It will be used new value " +
           newValue + ".";
}

Image ImageOf(FrameHandle frame) { return Image{GetFrameWidth(frame), GetFrameDepth(frame), kaf_test::PixelBytes(frame)}; }

namespace {

// The compared value of pixel (x, y): the grey byte or blue + green + red.
int32_t PixelValue(FrameHandle frame, int32_t x, int32_t y) {
    const uint8_t* p = kaf_test::PixelAt(frame, x, y);
    return GetFrameBPP(frame) == 8 ? p[0] : p[0] + p[1] + p[2];
}

// Dilation: light when every value of the window is above the limit;
// erosion: dark when every one is below it.
Image Pass(bool dilation, int32_t width, int32_t height, int32_t limit,
           const std::function<int32_t(int32_t, int32_t)>& valueAt) {
    Image out{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height)};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            bool allLight = true, allDark = true;
            for (int32_t v = std::max(0, y - 1); v <= std::min(height - 1, y + 1); ++v) {
                for (int32_t u = std::max(0, x - 1); u <= std::min(width - 1, x + 1); ++u) {
                    allLight = allLight && valueAt(u, v) > limit;
                    allDark = allDark && valueAt(u, v) < limit;
                }
            }
            out.At(x, y) = dilation ? (allLight ? 255 : 0) : (allDark ? 0 : 255);
        }
    }
    return out;
}

}  // namespace

Image ReferencePasses(bool dilation, FrameHandle source, int32_t level, int32_t n) {
    const int32_t limit = GetFrameBPP(source) == 8 ? level : 3 * level;
    return ReferencePasses(dilation,
                           Pass(dilation, GetFrameWidth(source), GetFrameDepth(source), limit,
                                [&](int32_t x, int32_t y) { return PixelValue(source, x, y); }),
                           level, n - 1);
}

Image ReferencePasses(bool dilation, Image image, int32_t level, int32_t n) {
    for (int32_t k = 0; k < n; ++k) {
        image = Pass(dilation, image.width, image.height, level, [&](int32_t x, int32_t y) { return image.At(x, y); });
    }
    return image;
}

void FillScene(FrameHandle frame, uint32_t seed) {
    const int32_t w = GetFrameWidth(frame);
    const int32_t h = GetFrameDepth(frame);
    std::mt19937 random(seed);
    std::vector<uint8_t> dark(static_cast<size_t>(w) * h, 0);
    for (int32_t k = 0; k < 4; ++k) {
        const int32_t cx = random() % w, cy = random() % h, r = random() % (std::max(1, std::min(w, h) / 6) + 1);
        for (int32_t y = std::max(0, cy - r); y <= std::min(h - 1, cy + r); ++y)
            for (int32_t x = std::max(0, cx - r); x <= std::min(w - 1, cx + r); ++x)
                dark[static_cast<size_t>(y) * w + x] |= (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    }
    for (uint8_t& d : dark) d ^= random() % 5 == 0;
    kaf_test::FillFrame(frame, [&](int32_t x, int32_t y, int32_t byte) {
        if (byte == 3) return static_cast<uint8_t>(random());  // never read
        return static_cast<uint8_t>(dark[static_cast<size_t>(y) * w + x] ? 0 : 255);
    });
}

}  // namespace morph_test
