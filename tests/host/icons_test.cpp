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

// A bitmap file image of ARGB pixels given top row first; a negative height
// stores the rows top-down, a positive one bottom-up.
Bytes BitmapFile(int32_t width, int32_t height, int bpp, const std::vector<uint32_t>& argb, bool bitFields = false) {
    const int32_t rows = height < 0 ? -height : height;
    const size_t stride = (size_t(width) * bpp + 31) / 32 * 4;
    const size_t offset = 14 + 40 + (bitFields ? 12 : 0);
    Bytes b(offset + stride * rows, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, uint32_t(b.size()));
    Put32(b, 10, uint32_t(offset));
    Put32(b, 14, 40);
    Put32(b, 18, uint32_t(width));
    Put32(b, 22, uint32_t(height));
    Put16(b, 26, 1);
    Put16(b, 28, uint32_t(bpp));
    Put32(b, 30, bitFields ? 3 : 0);
    if (bitFields) {
        Put32(b, 54, 0x00FF0000);
        Put32(b, 58, 0x0000FF00);
        Put32(b, 62, 0x000000FF);
    }
    for (int32_t y = 0; y < rows; ++y) {
        const int32_t stored = height > 0 ? rows - 1 - y : y;
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

    // Top-down rows and standard bit fields give the same picture.
    ASSERT_TRUE(Decode(BitmapFile(3, -2, 32, kSix), &image));
    EXPECT_EQ(image.pixels, kSix);
    ASSERT_TRUE(Decode(BitmapFile(3, 2, 32, kSix, true), &image));
    EXPECT_EQ(image.pixels, kSix);

    // 24 bits: rows padded to 12 bytes, opaque pixels.
    ASSERT_TRUE(Decode(BitmapFile(3, 2, 24, kSix), &image));
    EXPECT_EQ(image.bitsPerPixel, 24);
    ASSERT_EQ(image.pixels.size(), 6u);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(image.pixels[i], kSix[i] | 0xFF000000u) << i;
}

TEST(Icons, MalformedBitmapFilesAreRejected) {
    const Bytes good = BitmapFile(3, 2, 24, kSix);
    IconImage image;
    auto rejects = [&](const char* what, const std::function<void(Bytes&)>& spoil) {
        Bytes b = good;
        spoil(b);
        EXPECT_FALSE(Decode(b, &image)) << what;
    };
    rejects("cut pixel data", [](Bytes& b) { b.pop_back(); });
    rejects("cut header", [](Bytes& b) { b.resize(40); });
    rejects("magic", [](Bytes& b) { b[1] = 'A'; });
    rejects("8 bits", [](Bytes& b) { Put16(b, 28, 8); });
    rejects("16 bits", [](Bytes& b) { Put16(b, 28, 16); });
    rejects("compressed", [](Bytes& b) { Put32(b, 30, 1); });
    rejects("bit fields at 24 bits", [](Bytes& b) { Put32(b, 30, 3); });
    rejects("planes", [](Bytes& b) { Put16(b, 26, 2); });
    rejects("zero width", [](Bytes& b) { Put32(b, 18, 0); });
    rejects("negative width", [](Bytes& b) { Put32(b, 18, uint32_t(-3)); });
    rejects("zero height", [](Bytes& b) { Put32(b, 22, 0); });
    rejects("huge height", [](Bytes& b) { Put32(b, 22, 0x7FFFFFFF); });
    rejects("most negative height", [](Bytes& b) { Put32(b, 22, 0x80000000u); });
    rejects("header size", [](Bytes& b) { Put32(b, 14, 12); });
    rejects("pixels inside the header", [](Bytes& b) { Put32(b, 10, 20); });
    rejects("pixels beyond the end", [](Bytes& b) { Put32(b, 10, uint32_t(b.size() + 1)); });

    Bytes fields = BitmapFile(3, 2, 32, kSix, true);
    Put32(fields, 54, 0x000000FF);  // red and blue swapped
    EXPECT_FALSE(Decode(fields, &image));
    EXPECT_EQ(ka_iproc::detail::DecodeIcon(1, nullptr, 10), nullptr);
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

TEST(Icons, MalformedCompactBlocksAreRejected) {
    const std::vector<uint32_t> palette = {0xFF000000, 0xFFFFFFFF};
    IconImage image;
    EXPECT_FALSE(Decode(Compact(0, 2, palette, {}), &image)) << "zero width";
    EXPECT_FALSE(Decode(Compact(2, 0, palette, {}), &image)) << "zero height";
    EXPECT_FALSE(Decode(Compact(2, 2, {}, {4, 0}), &image)) << "empty palette";
    EXPECT_FALSE(Decode(Compact(2, 2, palette, {3, 0}), &image)) << "too few pixels";
    EXPECT_FALSE(Decode(Compact(2, 2, palette, {3, 0, 2, 1}), &image)) << "too many pixels";
    EXPECT_FALSE(Decode(Compact(2, 2, palette, {4, 0, 1, 1}), &image)) << "a run after the last pixel";
    EXPECT_FALSE(Decode(Compact(2, 2, palette, {4, 0, 0}), &image)) << "a trailing byte";
    EXPECT_FALSE(Decode(Compact(2, 2, palette, {2, 0, 0, 1, 2, 1}), &image)) << "an empty run";
    EXPECT_FALSE(Decode(Compact(2, 2, palette, {4, 2}), &image)) << "index beyond the palette";
    Bytes cutPalette = Compact(2, 2, palette, {});
    cutPalette.resize(cutPalette.size() - 1);
    EXPECT_FALSE(Decode(cutPalette, &image)) << "cut palette";
    Bytes magic = Compact(2, 2, palette, {4, 0});
    magic[3] = '2';
    EXPECT_FALSE(Decode(magic, &image)) << "magic";
    EXPECT_TRUE(Decode(Compact(2, 2, palette, {4, 1}), &image));
}

TEST(Icons, ReleasingIsNullSafeAndIgnoresForeignAddresses) {
    DoneIcon(nullptr);
    IconAddress none = nullptr;
    DoneIcon(&none);
    EXPECT_EQ(none, nullptr);

    int foreign = 0;
    IconAddress address = &foreign;
    EXPECT_FALSE(ka_iproc::DescribeIcon(address, nullptr));
    DoneIcon(&address);  // not freed: the library never made it
    EXPECT_EQ(address, nullptr);

    const Bytes block = BitmapFile(1, 1, 24, {0});
    IconAddress icon = ka_iproc::detail::DecodeIcon(3, block.data(), block.size());
    IconAddress copy = icon;
    ASSERT_TRUE(ka_iproc::DescribeIcon(icon, nullptr));
    DoneIcon(&icon);
    EXPECT_FALSE(ka_iproc::DescribeIcon(copy, nullptr));
    DoneIcon(&copy);  // a second release of the same address is ignored
}

TEST(Icons, DirectoryLookupByTypeAndId) {
    static const uint8_t a[] = {1}, b[] = {2}, c[] = {3};
    const KaResourceEntry directory[] = {
        {kIconResourceType, 1001, a, 1}, {17, 1002, b, 1}, {kIconResourceType, 1002, c, 1}, {0, 1003, a, 1},
        {kIconResourceType, 1003, a, 1},
    };
    using ka_iproc::detail::FindResourceEntry;
    EXPECT_EQ(FindResourceEntry(directory, kIconResourceType, 1001), &directory[0]);
    EXPECT_EQ(FindResourceEntry(directory, kIconResourceType, 1002), &directory[2]);
    EXPECT_EQ(FindResourceEntry(directory, 17, 1002), &directory[1]);
    EXPECT_EQ(FindResourceEntry(directory, kIconResourceType, 1003), nullptr);  // after the end marker
    EXPECT_EQ(FindResourceEntry(nullptr, kIconResourceType, 1001), nullptr);
}

TEST(Icons, TheModulesIconsThroughItsInstanceHandle) {
    kaf_test::Module();
    void* instance = dlopen(KAF_MODULE_PATH, RTLD_LAZY | RTLD_NOLOAD);
    ASSERT_NE(instance, nullptr);
    struct Expected {
        int32_t id, size, bpp;
    };
    for (const Expected& e : {Expected{1001, 20, 32}, Expected{1002, 40, 32}, Expected{1020, 40, 32},
                              Expected{1021, 0, 0}, Expected{1022, 0, 0}, Expected{1023, 40, 24}}) {
        IconAddress icon = GetResourceIconAddress(instance, e.id);
        ASSERT_NE(icon, nullptr) << e.id;
        IconImage image;
        ASSERT_TRUE(ka_iproc::DescribeIcon(icon, &image));
        EXPECT_EQ(image.resourceId, e.id);
        EXPECT_EQ(image.bitsPerPixel, e.bpp) << e.id;
        if (e.size) {
            EXPECT_EQ(image.width, e.size) << e.id;
            EXPECT_EQ(image.height, e.size) << e.id;
        }
        EXPECT_EQ(image.pixels.size(), size_t(image.width) * size_t(image.height));
        DoneIcon(&icon);
    }
    EXPECT_EQ(GetResourceIconAddress(instance, 1000), nullptr);
    EXPECT_EQ(GetResourceIconAddress(instance, 1024), nullptr);
    EXPECT_EQ(GetResourceIconAddress(nullptr, 1001), nullptr);
    dlclose(instance);
}

}  // namespace
