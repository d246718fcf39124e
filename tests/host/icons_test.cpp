// Icon resources: decoding both formats, rejecting malformed blocks, the
// directory lookup, and the real module's icons through its instance handle.
#include <dlfcn.h>

#include <functional>

#include <gtest/gtest.h>

#include "host_api.h"
#include "ka_iproc_internal.h"
#include "test_host.h"

namespace {

using Bytes = std::vector<uint8_t>;
using ka_iproc::IconImage;

void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    Put16(b, at, v);
    Put16(b, at + 2, v >> 16);
}

// A bitmap file image of ARGB pixels given top row first, stored bottom-up
// as the module's icon files are.
Bytes BitmapFile(int32_t width, int32_t height, int bpp, const std::vector<uint32_t>& argb) {
    const size_t stride = (size_t(width) * bpp + 31) / 32 * 4;
    const size_t offset = 14 + 40;
    Bytes b(offset + stride * height, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, uint32_t(b.size()));
    Put32(b, 10, uint32_t(offset));
    Put32(b, 14, 40);
    Put32(b, 18, uint32_t(width));
    Put32(b, 22, uint32_t(height));
    Put16(b, 26, 1);
    Put16(b, 28, uint32_t(bpp));
    for (int32_t y = 0; y < height; ++y) {
        const int32_t stored = height - 1 - y;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t p = argb[size_t(y) * width + x];
            uint8_t* out = &b[offset + stored * stride + size_t(x) * (bpp / 8)];
            out[0] = uint8_t(p), out[1] = uint8_t(p >> 8), out[2] = uint8_t(p >> 16);
            if (bpp == 32) out[3] = uint8_t(p >> 24);
        }
    }
    return b;
}

// Decodes, describes and releases; false when the block is rejected.
bool Decode(const Bytes& block, IconImage* image, int32_t id = 7) {
    IconAddress icon = ka_iproc::detail::DecodeIcon(id, block.data(), block.size());
    if (!icon) return false;
    EXPECT_TRUE(ka_iproc::DescribeIcon(icon, image));
    DoneIcon(&icon);
    EXPECT_EQ(icon, nullptr);
    return true;
}

const std::vector<uint32_t> kSix = {0xFF102030, 0x80405060, 0x00708090, 0xFFA0B0C0, 0x01D0E0F0, 0xFF000000};

TEST(Icons, BitmapFilesDecodeTopRowFirst) {
    IconImage image;
    ASSERT_TRUE(Decode(BitmapFile(3, 2, 32, kSix), &image, 1002));
    EXPECT_EQ(image.resourceId, 1002);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.bitsPerPixel, 32);
    EXPECT_EQ(image.pixels, kSix);

    // 24 bits: rows padded to 12 bytes, opaque pixels.
    ASSERT_TRUE(Decode(BitmapFile(3, 2, 24, kSix), &image));
    EXPECT_EQ(image.bitsPerPixel, 24);
    ASSERT_EQ(image.pixels.size(), 6u);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(image.pixels[i], kSix[i] | 0xFF000000u) << i;
}

Bytes Compact(uint8_t width, uint8_t height, const std::vector<uint32_t>& palette, const Bytes& runs) {
    Bytes b = {'K', 'A', 'I', '1', width, height, uint8_t(palette.size())};
    for (uint32_t argb : palette) {
        b.insert(b.end(), {uint8_t(argb), uint8_t(argb >> 8), uint8_t(argb >> 16), uint8_t(argb >> 24)});
    }
    b.insert(b.end(), runs.begin(), runs.end());
    return b;
}

TEST(Icons, CompactFormatDecodesRunsRowByRowFromTheTop) {
    const std::vector<uint32_t> palette = {0x00000000, 0xFF3366CC, 0x80FFFFFF};
    IconImage image;
    // Runs may cross rows: 3x2 pixels as 2 x transparent, 3 x blue, 1 x white.
    ASSERT_TRUE(Decode(Compact(3, 2, palette, {2, 0, 3, 1, 1, 2}), &image, 1021));
    EXPECT_EQ(image.resourceId, 1021);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.bitsPerPixel, 0);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0, 0, 0xFF3366CC, 0xFF3366CC, 0xFF3366CC, 0x80FFFFFF}));

    // The largest picture: 255 x 255 from runs of 255.
    Bytes runs;
    for (int i = 0; i < 255; ++i) runs.insert(runs.end(), {255, uint8_t(i % 3)});
    ASSERT_TRUE(Decode(Compact(255, 255, palette, runs), &image));
    EXPECT_EQ(image.pixels.size(), 255u * 255u);
    EXPECT_EQ(image.pixels[255 * 1 + 254], palette[1]);  // run k fills row k
    EXPECT_EQ(image.pixels[255 * 254], palette[254 % 3]);
}

// The enumeration and lifecycle tests meet the icons through the exports;
// here the directory ends and the instance handle itself.
TEST(Icons, TheModulesIconsThroughItsInstanceHandle) {
    kaf_test::Module();
    void* instance = dlopen(KAF_MODULE_PATH, RTLD_LAZY | RTLD_NOLOAD);
    ASSERT_NE(instance, nullptr);
    for (int32_t id : {1001, 1023}) {
        IconAddress icon = GetResourceIconAddress(instance, id);
        IconImage image;
        ASSERT_TRUE(ka_iproc::DescribeIcon(icon, &image)) << id;
        EXPECT_EQ(image.resourceId, id);
        DoneIcon(&icon);
    }
    EXPECT_EQ(GetResourceIconAddress(instance, 1000), nullptr);
    EXPECT_EQ(GetResourceIconAddress(instance, 1024), nullptr);
    EXPECT_EQ(GetResourceIconAddress(nullptr, 1001), nullptr);
    dlclose(instance);
}

}  // namespace
