// The line scanners: which steps make a sample, where, and with what value.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "kafilters.h"
#include "pixel_format.h"
#include "host_api.h"
#include "test_host.h"

namespace {

using Scanner = decltype(&ScanLineSubPixelPrecision);
using ka_iproc::TLine;
using ka_iproc::TRectangularRegion;

// A frame of its own session, as the scanners are handed it.
class Frame {
public:
    Frame(int32_t width, int32_t height, int32_t bitsPerPixel)
        : handle_(session_.AddFrame(u"frame", width, height, bitsPerPixel)) {}
    tagBITMAPINFOHEADER* Header() { return static_cast<tagBITMAPINFOHEADER*>(handle_); }
    uint8_t* At(int32_t x, int32_t y) { return kaf_test::PixelAt(handle_, x, y); }
    // Sets byte c of every pixel to fn(x, y, c).
    Frame& Fill(const std::function<int(int32_t, int32_t, int)>& fn) {
        kaf_test::FillFrame(handle_, [&](int32_t x, int32_t y, int32_t c) { return static_cast<uint8_t>(fn(x, y, c)); });
        return *this;
    }

private:
    ka_iproc::Session session_;
    FrameHandle handle_;
};

struct Sample {
    float x;
    float y;
    uint32_t value;
};

constexpr unsigned kUser = 0xC0FFEE;
std::vector<Sample>* recorded = nullptr;
size_t stopAfter = 0;

unsigned char KA_SCAN_CALLBACK Record(unsigned int user, float x, float y, unsigned int value) {
    EXPECT_EQ(user, kUser);
    recorded->push_back({x, y, value});
    return recorded->size() == stopAfter ? 0 : 1;
}

std::vector<Sample> Scan(Scanner scanner, Frame& frame, TLine line, int mode = 1, int bits = 8,
                         TRectangularRegion* region = nullptr, size_t stop = 0) {
    std::vector<Sample> samples;
    recorded = &samples;
    stopAfter = stop;
    scanner(frame.Header(), region, line, mode, kUser, bits, &Record);
    return samples;
}

int Level(int32_t x, int32_t y, int c = 0) { return (x * 7 + y * 3 + c * 50) & 255; }

const Scanner kBoth[] = {&ScanLineSubPixelPrecision, &ScanLineSubPixelPrecisionWithSharpening};

}  // namespace

TEST(ScanLine, StepCountIsTheRoundedLength) {
    Frame frame(30, 30, 8);
    for (Scanner scan : kBoth) {
        EXPECT_TRUE(Scan(scan, frame, {5, 5, 5.3, 5.3}).empty());  // length 0.42 rounds to 0
        EXPECT_EQ(Scan(scan, frame, {5, 5, 6.5, 7}).size(), 3u);   // 2.5 rounds up
        EXPECT_EQ(Scan(scan, frame, {5, 5, 10, 10}).size(), 7u);   // 7.07
        const std::vector<Sample> s = Scan(scan, frame, {10, 10, 13, 14});
        ASSERT_EQ(s.size(), 5u);
        for (int i = 0; i < 5; ++i) {
            EXPECT_NEAR(s[i].x, 10 + 0.6 * i, 1e-5);
            EXPECT_NEAR(s[i].y, 10 + 0.8 * i, 1e-5);
        }
        EXPECT_EQ(Scan(scan, frame, {10, 10, 20, 10}, 1, 8, nullptr, 1).size(), 1u);  // callback stops the walk
    }
}

TEST(ScanLine, RegionRejectsInteriorStepsButNotTheEdgeRing) {
    Frame frame(20, 20, 8);
    frame.Fill([](int32_t x, int32_t y, int) { return Level(x, y); });
    for (Scanner scan : kBoth) {
        // Columns 6 to 10 are accepted; the walk goes on past rejected steps.
        TRectangularRegion band{8, 10, 5, 40, 0};
        const std::vector<Sample> s = Scan(scan, frame, {0.25, 10.5, 16.25, 10.5}, 1, 8, &band);
        ASSERT_EQ(s.size(), 6u);
        EXPECT_EQ(s[0].x, 0.0f);  // column 0: own value at the pixel's integer position
        EXPECT_EQ(s[0].y, 10.0f);
        EXPECT_EQ(s[0].value, uint32_t(Level(0, 10)));
        for (int i = 1; i < 6; ++i) EXPECT_EQ(s[i].x, 5.25f + i);
        // Rotated by 90 degrees the band is 40 wide and 5 tall: rows 8 to 12.
        TRectangularRegion turned{8, 10, 5, 40, 90};
        const std::vector<Sample> v = Scan(scan, frame, {5.5, 1.5, 5.5, 17.5}, 1, 8, &turned);
        ASSERT_EQ(v.size(), 5u);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(v[i].y, 8.5f + i);
        EXPECT_EQ(Scan(scan, frame, {1.5, 8.5, 17.5, 8.5}, 1, 8, &turned).size(), 16u);
        EXPECT_TRUE(Scan(scan, frame, {5.5, 1.5, 5.5, 17.5}, 1, 8, &band).empty());
    }
}

TEST(ScanLine, ChannelModesAt32Bits) {
    Frame frame(16, 16, 32);
    frame.Fill([](int32_t x, int32_t y, int c) { return Level(x, y, c); });
    const TLine line{0, 4.5, 8, 4.5};  // an edge sample, then interpolated ones
    const std::vector<Sample> packed = Scan(&ScanLineSubPixelPrecision, frame, line, 0);
    for (int mode = 1; mode <= 4; ++mode) {
        const std::vector<Sample> s = Scan(&ScanLineSubPixelPrecision, frame, line, mode);
        ASSERT_EQ(s.size(), 8u);
        for (size_t i = 0; i < s.size(); ++i) {
            uint32_t ch[4];
            for (int c = 0; c < 4; ++c) ch[c] = packed[i].value >> (8 * c) & 255;
            const uint32_t expected[5] = {0, (ch[0] + ch[1] + ch[2]) / 3, ch[2], ch[1], ch[0]};
            EXPECT_EQ(s[i].value, expected[mode]) << mode << " " << i;
        }
    }
    EXPECT_EQ(packed[0].value, uint32_t(Level(0, 4) | Level(0, 4, 1) << 8 | Level(0, 4, 2) << 16 | Level(0, 4, 3) << 24));
    EXPECT_EQ(packed[1].value >> 8 & 255, uint32_t((Level(1, 4, 1) + Level(1, 5, 1)) / 2));
}

// The values themselves are the rules test's; here what happens above 255.
TEST(ScanLineSharpening, ValuesAbove255GoOnUnclampedButPackAs255) {
    Frame frame(40, 10, 8);
    frame.Fill([](int32_t x, int32_t, int) { return x < 20 ? 0 : 200; });
    EXPECT_EQ(Scan(&ScanLineSubPixelPrecisionWithSharpening, frame, {20, 5, 21, 5})[0].value, 350u);
    EXPECT_EQ(Scan(&ScanLineSubPixelPrecisionWithSharpening, frame, {20, 5, 21, 5}, 0)[0].value, 0xFFFFFFu);
    Frame colour(40, 10, 32);  // blue steps to 200, green is flat at 10
    colour.Fill([](int32_t x, int32_t, int c) { return c == 0 ? (x < 20 ? 0 : 200) : c == 1 ? 10 : 0; });
    EXPECT_EQ(Scan(&ScanLineSubPixelPrecisionWithSharpening, colour, {20, 5, 21, 5}, 0)[0].value, 0x0AFFu);
}

// Random frames and segments against the rules written out directly: for an
// interpolated sample at (x, y) the fixed-point position is S x (x, y).
TEST(ScanLine, InterpolatedValuesFollowTheRules) {
    std::mt19937 random(11);
    Frame frame(23, 19, 8);
    frame.Fill([&](int32_t, int32_t, int) { return int(random() & 255); });
    auto pixel = [&](int32_t x, int32_t y) { return int64_t(*frame.At(x, y)); };
    for (int trial = 0; trial < 200; ++trial) {
        const bool sharpen = trial & 1;
        const int bits = 1 + int(random() % (sharpen ? 9 : 11));
        const int S = 1 << bits;
        std::uniform_real_distribution<double> coordinate(-3, 26);
        const TLine line{coordinate(random), coordinate(random), coordinate(random), coordinate(random)};
        for (const Sample& s : Scan(kBoth[sharpen], frame, line, 1, bits)) {
            const int32_t rx = RoundReal(s.x * S), ry = RoundReal(s.y * S);
            const int32_t ix = rx >> bits, iy = ry >> bits, fx = rx & (S - 1), fy = ry & (S - 1);
            if (ix == 0 || iy == 0 || ix >= 22 - sharpen || iy >= 18 - sharpen) {  // the edge band
                EXPECT_TRUE(s.x == float(ix) && s.y == float(iy));
                EXPECT_EQ(s.value, uint32_t(pixel(ix, iy)));
                continue;
            }
            const int64_t w[2][2] = {{(S - fx) * (S - fy), fx * (S - fy)}, {(S - fx) * fy, fx * fy}};
            int64_t total = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    int64_t k = pixel(ix + dx, iy + dy);
                    if (sharpen) {
                        k *= 12;
                        for (int ny = -1; ny <= 1; ++ny)
                            for (int nx = -1; nx <= 1; ++nx)
                                if (nx || ny) k -= pixel(ix + dx + nx, iy + dy + ny);
                    }
                    total += w[dy][dx] * k;
                }
            const int64_t expected = total < 0 ? 0 : (total >> (sharpen ? 2 : 0)) >> (2 * bits);
            EXPECT_EQ(s.value, uint32_t(expected)) << trial;
        }
    }
}
