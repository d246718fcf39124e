// The frame block layout: header fields, palettes, strides and sizes.
#include <algorithm>
#include <cstring>

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
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, l.width);
        EXPECT_EQ(h.biHeight, l.height);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, l.bpp);
        EXPECT_EQ(h.biCompression, 0u);
        EXPECT_EQ(h.biSizeImage, uint32_t(l.stride * l.height));
        EXPECT_EQ(GetFrameWidth(frame), l.width);
        EXPECT_EQ(GetFrameDepth(frame), l.height);
        EXPECT_EQ(GetFrameBPP(frame), l.bpp);
        EXPECT_EQ(ka_iproc::FrameStride(frame), l.stride);
        EXPECT_EQ(GetFrameDataAddr(frame), static_cast<uint8_t*>(frame) + 40 + 4 * l.paletteEntries);
        EXPECT_EQ(GetFrameSize(frame), 40 + 4 * l.paletteEntries + size_t(l.stride) * l.height);

        // Grey ramp from black to white, fourth byte 0.
        const uint8_t* palette = static_cast<const uint8_t*>(frame) + 40;
        for (uint32_t i = 0; i < l.paletteEntries; ++i) {
            const uint8_t level = static_cast<uint8_t>(i * 255 / (l.paletteEntries - 1));
            ASSERT_EQ(palette[4 * i], level);
            ASSERT_EQ(palette[4 * i + 1], level);
            ASSERT_EQ(palette[4 * i + 2], level);
            ASSERT_EQ(palette[4 * i + 3], 0);
        }
        const std::vector<uint8_t> pixels = ka_iproc::FramePixels(frame);
        EXPECT_EQ(pixels.size(), size_t(l.stride) * l.height);
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0), std::ptrdiff_t(pixels.size()));
    }
}

TEST(Frames, StridesMatchThePixelFormatTable) {
    // The module computes strides as (w + 3) & ~3, (3w + 3) & ~3 and 4w.
    for (int32_t w = 1; w <= 70; ++w) {
        EXPECT_EQ(ka_iproc::detail::RowStride(w, 8), uint64_t((w + 3) & ~3)) << w;
        EXPECT_EQ(ka_iproc::detail::RowStride(w, 24), uint64_t((3 * w + 3) & ~3)) << w;
        EXPECT_EQ(ka_iproc::detail::RowStride(w, 32), uint64_t(4 * w)) << w;
    }
}

TEST(Frames, InitFrameDibMakesAPrivateBlockAFrame) {
    const size_t size = FrameBlockSize(7, 5, 8);
    std::vector<uint64_t> storage((size + 7) / 8, ~uint64_t(0));
    void* block = storage.data();
    InitFrameDIB(block, 7, 5, 8);
    EXPECT_EQ(GetFrameSize(block), size);
    EXPECT_EQ(GetFrameWidth(block), 7);
    EXPECT_EQ(GetFrameDepth(block), 5);
    EXPECT_EQ(GetFrameBPP(block), 8);
    EXPECT_EQ(ka_iproc::FrameStride(block), 8);
    // The pixel rows are the caller's: InitFrameDIB writes only header and palette.
    EXPECT_EQ(GetFrameDataAddr(block)[0], 0xFF);

    InitFrameDIB(nullptr, 7, 5, 8);  // nothing to write to
}

TEST(Frames, InvalidGeometryHasNoSize) {
    EXPECT_EQ(FrameBlockSize(0, 5, 8), 0u);
    EXPECT_EQ(FrameBlockSize(5, 0, 8), 0u);
    EXPECT_EQ(FrameBlockSize(-1, 5, 8), 0u);
    EXPECT_EQ(FrameBlockSize(5, -3, 24), 0u);
    for (int32_t bpp : {0, 2, 7, 12, 48, -8}) EXPECT_EQ(FrameBlockSize(5, 5, bpp), 0u) << bpp;
    EXPECT_EQ(GetFrameSize(nullptr), 0u);
    EXPECT_EQ(GetFrameWidth(nullptr), 0);
    EXPECT_EQ(GetFrameDataAddr(nullptr), nullptr);

    BITMAPINFOHEADER header{};
    InitFrameDIB(&header, 4, 4, 7);
    EXPECT_EQ(GetFrameSize(&header), 0u);
}

TEST(Frames, SizeIsZeroExactlyWhenItWouldNotFitASizeT) {
    // The largest geometry a header can state; whether it fits depends on the
    // width of size_t. Even at 32 bits it stays below 2^64.
    const int32_t big = INT32_MAX;
    for (int32_t bpp : {8, 24, 32}) {
        const uint64_t stride = (static_cast<uint64_t>(big) * bpp + 31) / 32 * 4;
        const uint64_t exact = 40 + (bpp == 8 ? 1024 : 0) + stride * big;
        const size_t expected = exact > SIZE_MAX ? 0 : static_cast<size_t>(exact);
        EXPECT_EQ(FrameBlockSize(big, big, bpp), expected) << bpp;
        std::vector<uint32_t> head(10 + 256);  // header and palette
        InitFrameDIB(head.data(), big, big, bpp);
        EXPECT_EQ(GetFrameSize(head.data()), expected) << bpp;
    }
}

TEST(Frames, PixelRowsCopyInAndOut) {
    ka_iproc::Session session;
    FrameHandle frame = session.AddFrame(u"f", 3, 2, 24);
    std::vector<uint8_t> rows(ka_iproc::FrameStride(frame) * 2);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i + 1);
    ka_iproc::SetFramePixels(frame, rows);
    EXPECT_EQ(ka_iproc::FramePixels(frame), rows);
    EXPECT_EQ(*kaf_test::PixelAt(frame, 1, 1), rows[12 + 3]);

    // A short vector fills only the start; a long one is cut at the frame's end.
    ka_iproc::SetFramePixels(frame, {9, 9});
    EXPECT_EQ(ka_iproc::FramePixels(frame)[2], 3);
    ka_iproc::SetFramePixels(frame, std::vector<uint8_t>(100, 7));
    EXPECT_EQ(ka_iproc::FramePixels(frame), std::vector<uint8_t>(rows.size(), 7));
}

}  // namespace
