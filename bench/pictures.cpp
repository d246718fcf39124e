#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <tuple>

namespace kaf_bench {
namespace {

// std::mt19937's output sequence is fixed by the language standard (unlike
// the distributions), so pictures are bit-identical across toolchains.
class Random {
public:
    explicit Random(uint32_t seed) : engine_(seed) {}
    uint32_t Bits() { return engine_(); }
    // Uniform in [lo, hi], near enough for picture making.
    int32_t Between(int32_t lo, int32_t hi) { return lo + int32_t(engine_() % uint32_t(hi - lo + 1)); }

private:
    std::mt19937 engine_;
};

uint8_t ClampByte(int32_t v) { return uint8_t(std::min(255, std::max(0, v))); }

// One grey level per pixel: the dark-object scene. Discs of 3 to 15 pixels
// radius cover roughly a quarter of the frame, thin enough that thinning ends
// in well under twenty iterations.
std::vector<uint8_t> SceneLevels(int32_t width, int32_t height, Random& random) {
    std::vector<uint8_t> levels(size_t(width) * height);
    for (auto& v : levels) v = ClampByte(200 + random.Between(-12, 12));
    const double meanArea = 3.14159 * 90.0;
    const int64_t discs = int64_t(double(width) * height * 0.25 / meanArea);
    for (int64_t k = 0; k < discs; ++k) {
        const int32_t cx = random.Between(0, width - 1);
        const int32_t cy = random.Between(0, height - 1);
        const int32_t r = random.Between(3, 15);
        for (int32_t y = std::max(0, cy - r); y <= std::min(height - 1, cy + r); ++y) {
            for (int32_t x = std::max(0, cx - r); x <= std::min(width - 1, cx + r); ++x) {
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                    levels[size_t(y) * width + x] = ClampByte(40 + random.Between(-12, 12));
            }
        }
    }
    return levels;
}

// Light fall-off of a lens: 1 in the centre, 0.4 in the corners.
double Vignette(int32_t x, int32_t y, int32_t width, int32_t height) {
    const double dx = (x - 0.5 * width) / (0.5 * width);
    const double dy = (y - 0.5 * height) / (0.5 * height);
    return 1.0 - 0.3 * (dx * dx + dy * dy);
}

// Spreads one grey level per pixel into the picture's channels, with a small
// tint so that colour channels differ, and an opaque fourth byte.
void FillFromLevels(Picture& picture, const std::vector<uint8_t>& levels) {
    const int32_t bytes = picture.bitsPerPixel / 8;
    static const int32_t kTint[3] = {-8, 0, 8};
    for (int32_t y = 0; y < picture.height; ++y) {
        uint8_t* row = picture.rows.data() + size_t(y) * picture.stride;
        for (int32_t x = 0; x < picture.width; ++x) {
            const int32_t level = levels[size_t(y) * picture.width + x];
            uint8_t* pixel = row + size_t(x) * bytes;
            if (bytes == 1) {
                pixel[0] = uint8_t(level);
                continue;
            }
            for (int32_t c = 0; c < 3; ++c) pixel[c] = ClampByte(level + kTint[c]);
            if (bytes == 4) pixel[3] = 255;
        }
    }
}

std::unique_ptr<Picture> Make(Workload workload, int32_t bitsPerPixel, int32_t width, int32_t height) {
    auto picture = std::make_unique<Picture>();
    picture->width = width;
    picture->height = height;
    picture->bitsPerPixel = bitsPerPixel;
    picture->stride = (width * (bitsPerPixel / 8) + 3) & ~3;
    picture->rows.assign(size_t(picture->stride) * height, 0);
    Random random(0x6b61u + uint32_t(workload) * 7919u + uint32_t(bitsPerPixel));

    if (workload == Workload::Noise) {
        for (auto& b : picture->rows) b = uint8_t(random.Bits() >> 24);
        return picture;
    }
    std::vector<uint8_t> levels;
    if (workload == Workload::VignettedWhite) {
        levels.resize(size_t(width) * height);
    } else {
        levels = SceneLevels(width, height, random);
    }
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t& v = levels[size_t(y) * width + x];
            if (workload == Workload::VignettedWhite)
                v = ClampByte(int32_t(235.0 * Vignette(x, y, width, height)) + random.Between(-3, 3));
            else if (workload == Workload::VignettedScene)
                v = ClampByte(int32_t(v * Vignette(x, y, width, height)));
        }
    }
    FillFromLevels(*picture, levels);
    return picture;
}

}  // namespace

const char* WorkloadName(Workload workload) {
    switch (workload) {
    case Workload::Noise: return "noise";
    case Workload::DarkObjects: return "dark objects";
    case Workload::VignettedScene: return "vignetted scene";
    case Workload::VignettedWhite: return "vignetted white";
    }
    return "?";
}

const Picture& GetPicture(Workload workload, int32_t bitsPerPixel, int32_t width, int32_t height) {
    static std::map<std::tuple<int, int32_t, int32_t, int32_t>, std::unique_ptr<Picture>> cache;
    auto& slot = cache[{int(workload), bitsPerPixel, width, height}];
    if (!slot) slot = Make(workload, bitsPerPixel, width, height);
    return *slot;
}

}  // namespace kaf_bench
