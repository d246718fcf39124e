#include "demo_scene.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kaf_tool {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r, g, b;
};

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Scale(const Rgb& c, double s) { return {c.r * s, c.g * s, c.b * s}; }

// A well-mixed 32-bit hash of a pixel position and a stream number, for grain
// and noise that are the same on every platform and for any thread count.
uint32_t Hash(uint32_t x, uint32_t y, uint32_t stream) {
    uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u ^ stream * 0xC2B2AE3Du;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}
double Uniform(uint32_t x, uint32_t y, uint32_t stream) { return Hash(x, y, stream) / 4294967296.0; }

// Coverage of a pixel by a shape from the signed distance of its centre to
// the shape's outline (negative inside): a one-pixel soft edge, as a lens
// draws it.
double Coverage(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    double vx = bx - ax, vy = by - ay;
    double t = std::clamp(((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
    return std::hypot(px - ax - t * vx, py - ay - t * vy);
}

// A rectangle of half sizes (hx, hy) centred at (cx, cy), turned by `angle`.
double BoxDistance(double px, double py, double cx, double cy, double hx, double hy, double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    double qx = std::fabs((px - cx) * c + (py - cy) * s) - hx;
    double qy = std::fabs(-(px - cx) * s + (py - cy) * c) - hy;
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
}

// A 5 x 7 font for the title, one string of seven rows of five cells each.
struct Glyph {
    char letter;
    const char* rows;
};
const Glyph kFont[] = {
    {'K', "X...XX..X.X.X..XX...X.X..X..X.X...X"}, {'A', ".XXX.X...XX...XXXXXXX...XX...XX...X"},
    {'F', "XXXXXX....X....XXXX.X....X....X...."}, {'I', ".XXX...X....X....X....X....X...XXX."},
    {'L', "X....X....X....X....X....X....XXXXX"}, {'T', "XXXXX..X....X....X....X....X....X.."},
    {'E', "XXXXXX....X....XXXX.X....X....XXXXX"}, {'R', "XXXX.X...XX...XXXXX.X.X..X..X.X...X"},
    {'S', ".XXXXX....X.....XXX.....X....XXXXX."},
};

const char* GlyphRows(char letter) {
    for (const Glyph& glyph : kFont) {
        if (glyph.letter == letter) return glyph.rows;
    }
    return nullptr;
}

// Dark ink where text lies: the title in the 5 x 7 font at twice its size and
// lines of small made-up words, each letter a random 3 x 5 pattern.
bool TextInk(const SceneLayout& l, int32_t x, int32_t y) {
    int32_t left = static_cast<int32_t>(0.58 * l.width), top = static_cast<int32_t>(0.815 * l.height);
    const std::string title = "KAFILTERS";
    int32_t tx = x - left, ty = y - top;
    if (ty >= 0 && ty < 14 && tx >= 0 && tx < static_cast<int32_t>(title.size()) * 12) {
        const char* rows = GlyphRows(title[static_cast<size_t>(tx / 12)]);
        int32_t cx = tx % 12 / 2, cy = ty / 2;
        return rows && cx < 5 && rows[cy * 5 + cx] == 'X';
    }
    // Three lines of small words under the title, 8 pixels apart.
    int32_t line = (y - top - 20) / 8, ly = (y - top - 20) % 8;
    if (y < top + 20 || line >= 3 || ly >= 5) return false;
    int32_t cell = tx / 4, cx = tx % 4;
    if (tx < 0 || cx == 3 || tx >= static_cast<int32_t>(0.38 * l.width)) return false;
    // A word is 2 to 6 letters, then a space.
    uint32_t position = 0, u = static_cast<uint32_t>(line);
    for (;;) {
        uint32_t length = 2 + Hash(position, u, 7) % 5;
        if (static_cast<uint32_t>(cell) < position + length) break;
        if (static_cast<uint32_t>(cell) == position + length) return false;
        position += length + 1;
    }
    uint32_t pattern = Hash(static_cast<uint32_t>(cell), u, 11);
    return (pattern >> (ly * 3 + cx)) & 1u;
}

// The light that falls on the scene: a vignette centred a little off the
// middle, fading to about half at the corners, and two soft dust shadows.
double Illumination(const SceneLayout& l, double x, double y) {
    double cx = 0.52 * l.width, cy = 0.47 * l.height;
    double r2 = (std::pow(x - cx, 2) + std::pow(y - cy, 2)) / (0.25 * (std::pow(l.width, 2) + std::pow(l.height, 2)));
    double light = 1.0 / std::pow(1.0 + 0.4 * r2, 2);
    struct Dust {
        double x, y, sigma, depth;
    };
    const Dust dust[] = {{0.33, 0.22, 0.024, 0.28}, {0.66, 0.86, 0.036, 0.2}};
    for (const Dust& d : dust) {
        double dx = x - d.x * l.width, dy = y - d.y * l.height, s = d.sigma * l.height;
        light *= 1.0 - d.depth * std::exp(-(dx * dx + dy * dy) / (2 * s * s));
    }
    return light;
}

// What the scene's surfaces reflect at (x, y), before the light.
Rgb Reflectance(const SceneLayout& l, int32_t ix, int32_t iy) {
    const double x = ix + 0.5, y = iy + 0.5, w = l.width, h = l.height;
    // A wall shaded from warm on the left to cool on the right.
    Rgb colour = Scale(Mix({0.86, 0.80, 0.70}, {0.70, 0.78, 0.86}, x / w), 0.9 + 0.1 * std::sin(kPi * y / h));

    // A shaded dark sphere, lit from the upper left, with a small highlight.
    double dx = (x - l.discX) / l.discRadius, dy = (y - l.discY) / l.discRadius;
    double discCover = Coverage(std::hypot(x - l.discX, y - l.discY) - l.discRadius);
    if (discCover > 0) {
        double nz = std::sqrt(std::max(0.0, 1.0 - dx * dx - dy * dy));
        double shade = 0.45 + 0.55 * std::max(0.0, -0.5 * dx - 0.5 * dy + 0.7 * nz);
        Rgb sphere = Scale({0.30, 0.08, 0.06}, shade);
        double glint = 0.7 * std::exp(-(std::pow(dx + 0.35, 2) + std::pow(dy + 0.35, 2)) / (2 * 0.06 * 0.06));
        sphere = Mix(sphere, {1, 1, 1}, std::min(1.0, glint));
        colour = Mix(colour, sphere, discCover);
    }

    // A tilted dark blue block pierced by small light pinholes.
    double box = BoxDistance(x, y, 0.47 * w, 0.29 * h, 0.085 * w, 0.14 * h, 0.2);
    if (box < 1) {
        Rgb block = Scale({0.05, 0.08, 0.22}, 0.8 + 0.2 * y / h);
        colour = Mix(colour, block, Coverage(box));
        for (int k = 0; k < 9; ++k) {
            double hx = (0.43 + 0.04 * (k % 3)) * w, hy = (0.22 + 0.07 * (k / 3)) * h;
            double radius = 0.8 + 0.5 * (k % 4);
            colour = Mix(colour, {0.85, 0.83, 0.78}, Coverage(std::hypot(x - hx, y - hy) - radius));
        }
    }

    // A dark green ring.
    double ringX = 0.8 * w, ringY = 0.27 * h, ring = std::hypot(x - ringX, y - ringY);
    colour = Mix(colour, {0.06, 0.18, 0.08}, Coverage(std::max(ring - 0.11 * h, 0.06 * h - ring)));

    // Two dark blobs joined by a thin neck, and scattered dark specks.
    double ax = 0.70 * w, bx = 0.86 * w, by = 0.52 * h, blob = 0.04 * h;
    double dumbbell = std::min({std::hypot(x - ax, y - by) - blob, std::hypot(x - bx, y - by) - blob,
                                SegmentDistance(x, y, ax, by, bx, by) - 1.0});
    colour = Mix(colour, {0.08, 0.08, 0.08}, Coverage(dumbbell));
    for (uint32_t k = 0; k < 14; ++k) {
        double sx = (0.30 + 0.28 * Uniform(k, 1, 3)) * w, sy = (0.50 + 0.10 * Uniform(k, 2, 3)) * h;
        colour = Mix(colour, {0.1, 0.1, 0.1}, Coverage(std::hypot(x - sx, y - sy) - (0.7 + 0.8 * Uniform(k, 3, 3))));
    }

    // Parallel lines of several widths, and a line through the noisy patch.
    const double angle = -28 * kPi / 180, ux = std::cos(angle), uy = std::sin(angle);
    for (size_t k = 0; k < l.lineWidths.size(); ++k) {
        double mx = l.linesX0 - uy * l.lineSpacing * static_cast<double>(k);
        double my = l.linesY0 + ux * l.lineSpacing * static_cast<double>(k);
        double half = 0.16 * h;
        double d = SegmentDistance(x, y, mx - ux * half, my - uy * half, mx + ux * half, my + uy * half);
        colour = Mix(colour, {0.10, 0.10, 0.12}, Coverage(d - l.lineWidths[k] / 2));
    }
    double noiseLine = SegmentDistance(x, y, l.noiseX0, 0.7 * h, l.noiseX1, 0.7 * h) - 1.0;
    colour = Mix(colour, {0.12, 0.10, 0.10}, Coverage(noiseLine));

    if (TextInk(l, ix, iy)) colour = {0.05, 0.05, 0.05};
    return colour;
}

// Light (0..255 scale) to a byte, with sensor grain of up to +-2 levels.
uint8_t ToByte(double value, int32_t x, int32_t y, uint32_t channel) {
    double grain = 4.0 * Uniform(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 100 + channel) - 2.0;
    return static_cast<uint8_t>(std::clamp(value + grain, 0.0, 255.0));
}

// Fills an image of the layout's size from the colour of each pixel (8 bits:
// its luminance); `noisy` says where salt-and-pepper noise replaces pixels.
template <typename ColourAt>
Image Render(const SceneLayout& l, int32_t bpp, const ColourAt& colourAt, bool noisy) {
    Image image;
    std::string error;
    MakeImage(l.width, l.height, bpp, &image, &error);
    const int32_t bytes = bpp / 8;
    for (int32_t y = 0; y < l.height; ++y) {
        uint8_t* row = image.Row(y);
        for (int32_t x = 0; x < l.width; ++x) {
            Rgb c = colourAt(x, y);
            uint8_t* pixel = row + x * bytes;
            if (bytes == 1) {
                pixel[0] = ToByte(0.299 * c.r + 0.587 * c.g + 0.114 * c.b, x, y, 0);
            } else {
                pixel[0] = ToByte(c.b, x, y, 0);
                pixel[1] = ToByte(c.g, x, y, 1);
                pixel[2] = ToByte(c.r, x, y, 2);
                // The fourth byte carries nothing in the scene.
                if (bytes == 4) pixel[3] = 0;
            }
            bool inPatch = x >= l.noiseX0 && x < l.noiseX1 && y >= l.noiseY0 && y < l.noiseY1;
            double u = Uniform(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 200);
            if (noisy && inPatch && u < 0.12) {
                for (int32_t k = 0; k < std::min(bytes, 3); ++k) pixel[k] = u < 0.06 ? 0 : 255;
            }
        }
    }
    return image;
}

}  // namespace

ka_iproc::TLine SceneLayout::DiscEdgeLine() const {
    // From inside the disc down and to the left, out across its rim; the ends
    // fall between pixel centres, as a measured line would.
    double angle = 200 * kPi / 180, c = std::cos(angle), s = std::sin(angle);
    double inner = discRadius - 16.3, outer = discRadius + 15.7;
    return {discX + inner * c, discY - inner * s, discX + outer * c, discY - outer * s};
}

ka_iproc::TLine SceneLayout::LineSetCrossing() const {
    // Across the parallel lines at their middles, perpendicular to them.
    const double angle = -28 * kPi / 180, nx = -std::sin(angle), ny = std::cos(angle);
    double span = lineSpacing * static_cast<double>(lineWidths.size() - 1);
    return {linesX0 - 14.2 * nx, linesY0 - 14.2 * ny, linesX0 + (span + 14.6) * nx, linesY0 + (span + 14.6) * ny};
}

SceneLayout MakeSceneLayout(int32_t width, int32_t height) {
    SceneLayout l;
    l.width = width;
    l.height = height;
    l.discX = 0.2 * width;
    l.discY = 0.33 * height;
    l.discRadius = 0.13 * height;
    l.linesX0 = 0.19 * width;
    l.linesY0 = 0.68 * height;
    l.lineWidths = {1, 2, 3, 5, 8};
    l.lineSpacing = 0.055 * height;
    l.noiseX0 = 0.6 * width;
    l.noiseX1 = 0.98 * width;
    l.noiseY0 = 0.62 * height;
    l.noiseY1 = 0.78 * height;
    return l;
}

std::vector<Image> MakeSceneImages(const SceneLayout& layout, const std::vector<int32_t>& depths) {
    // The light reaching the camera, worked out once for all depths.
    // Exposure: the brightest wall under full light comes out near 210.
    std::vector<Rgb> light(static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height));
    for (int32_t y = 0; y < layout.height; ++y) {
        for (int32_t x = 0; x < layout.width; ++x) {
            light[static_cast<size_t>(y) * static_cast<size_t>(layout.width) + static_cast<size_t>(x)] =
                Scale(Reflectance(layout, x, y), 247.0 * Illumination(layout, x + 0.5, y + 0.5));
        }
    }
    auto colourAt = [&](int32_t x, int32_t y) {
        return light[static_cast<size_t>(y) * static_cast<size_t>(layout.width) + static_cast<size_t>(x)];
    };
    std::vector<Image> images;
    for (int32_t bpp : depths) images.push_back(Render(layout, bpp, colourAt, true));
    return images;
}

Image MakeWhiteFrame(const SceneLayout& layout, int32_t bitsPerPixel) {
    auto colourAt = [&](int32_t x, int32_t y) {
        double v = 0.93 * 247.0 * Illumination(layout, x + 0.5, y + 0.5);
        return Rgb{v, v, v};
    };
    return Render(layout, bitsPerPixel, colourAt, false);
}

Image ToRgb24(const Image& image) {
    Image out;
    std::string error;
    MakeImage(image.width, image.height, 24, &out, &error);
    const int32_t bytes = image.bpp / 8;
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            const uint8_t* from = image.Row(y) + x * bytes;
            uint8_t* to = out.Row(y) + x * 3;
            for (int32_t k = 0; k < 3; ++k) to[k] = from[bytes == 1 ? 0 : k];
        }
    }
    return out;
}

Image DrawSegments(const Image& image, const std::vector<ka_iproc::TLine>& lines,
                   const std::vector<uint32_t>& colours) {
    Image out = ToRgb24(image);
    for (size_t i = 0; i < lines.size(); ++i) {
        const ka_iproc::TLine& l = lines[i];
        uint32_t colour = colours[i % colours.size()];
        int steps = static_cast<int>(4 * std::hypot(l.x2 - l.x1, l.y2 - l.y1)) + 1;
        for (int s = 0; s <= steps; ++s) {
            double t = static_cast<double>(s) / steps;
            auto x = static_cast<int32_t>(std::floor(l.x1 + t * (l.x2 - l.x1)));
            auto y = static_cast<int32_t>(std::floor(l.y1 + t * (l.y2 - l.y1)));
            if (x < 0 || y < 0 || x >= out.width || y >= out.height) continue;
            uint8_t* to = out.Row(y) + x * 3;
            to[0] = colour & 0xff;
            to[1] = (colour >> 8) & 0xff;
            to[2] = (colour >> 16) & 0xff;
        }
    }
    return out;
}

}  // namespace kaf_tool
