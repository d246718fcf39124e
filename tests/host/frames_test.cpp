// The frame block layout: header fields, palettes, strides and sizes.
#include <algorithm>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "ka_iproc_internal.h"
#include "test_host.h"

namespace {

using ka_iproc::detail::FrameBlockSize;

const BITMAPINFOHEADER& HeaderOf(FrameHandle frame) { return *static_cast<const BITMAPINFOHEADER*>(frame); }

struct Layout {
    int32_t width, height, bpp;
    int32_t stride;
    uint32_t paletteEntries;
};

TEST(Frames, HeaderPaletteAndRowsFollowTheDepth) {
    const Layout layouts[] = {
        {5, 3, 8, 8, 256},   {5, 3, 24, 16, 0}, {5, 3, 32, 20, 0}, {33, 2, 1, 8, 2},
        {32, 2, 1, 4, 2},    {9, 4, 4, 8, 16},  {8, 4, 4, 4, 16},  {3, 2, 16, 8, 0},
        {1, 1, 8, 4, 256},   {1, 1, 24, 4, 0},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(testing::Message() << l.width << "x" << l.height << "x" << l.bpp);
        ka_iproc::Session session;
        FrameHandle frame = session.AddFrame(u"f", l.width, l.height, l.bpp);
        ASSERT_NE(frame, nullptr);
        const BITMAPINFOHEADER& h = HeaderOf(frame);
        EXPECT_EQ((std::vector<int64_t>{h.biSize, h.biWidth, h.biHeight, h.biPlanes, h.biBitCount, h.biCompression,
                                        h.biSizeImage, GetFrameWidth(frame), GetFrameDepth(frame), GetFrameBPP(frame),
                                        ka_iproc::FrameStride(frame)}),
                  (std::vector<int64_t>{40, l.width, l.height, 1, l.bpp, 0, int64_t(l.stride) * l.height, l.width,
                                        l.height, l.bpp, l.stride}));
        EXPECT_EQ(GetFrameDataAddr(frame), static_cast<uint8_t*>(frame) + 40 + 4 * l.paletteEntries);
        EXPECT_EQ(GetFrameSize(frame), 40 + 4 * l.paletteEntries + size_t(l.stride) * l.height);

        // Grey ramp from black to white, fourth byte 0.
        const uint8_t* palette = static_cast<const uint8_t*>(frame) + 40;
        for (uint32_t i = 0; i < l.paletteEntries; ++i) {
            const uint8_t level = static_cast<uint8_t>(i * 255 / (l.paletteEntries - 1));
            ASSERT_EQ(std::vector<uint8_t>(palette + 4 * i, palette + 4 * i + 4), (std::vector<uint8_t>{level, level, level, 0}));
        }
        const std::vector<uint8_t> pixels = ka_iproc::FramePixels(frame);
        EXPECT_EQ(pixels.size(), size_t(l.stride) * l.height);
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0), std::ptrdiff_t(pixels.size()));
    }
}

}  // namespace
