// The image codecs (round trips of every format and depth are the run test's):
// refused BMP files with their reasons, PNG, JPEG and TIFF files of other
// writers read in frame order with their conversions, and TIFF tiles.
#include <algorithm>
#include <gtest/gtest.h>

#ifdef KAF_HAVE_IMAGE_IO

#include <png.h>

#include <cstdio>
#include <cstring>
#include <random>

#include <jpeglib.h>
#include <tiffio.h>

#include "image_io.h"
#include "tool_runner.h"

namespace kaf_tool_test {
namespace {

using kaf_tool::Image;
using namespace std::string_literals;

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// A BMP file written by hand: header of `infoSize` bytes, rows as given
// (already padded). A header shorter than the fields written here is cut
// back to its stated size.
std::vector<uint8_t> HandBmp(int32_t width, int32_t height, int bpp, uint32_t infoSize, const std::vector<uint8_t>& rows,
                             uint32_t compression = 0) {
    const size_t offset = 14 + infoSize;
    std::vector<uint8_t> file(std::max<size_t>(offset, 34), 0);
    file[0] = 'B';
    file[1] = 'M';
    for (const auto& [at, value] : {std::pair<size_t, uint32_t>{2, uint32_t(offset + rows.size())}, {10, uint32_t(offset)},
                                    {14, infoSize}, {18, uint32_t(width)}, {22, uint32_t(height)}, {30, compression}}) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    file[26] = 1;
    file[28] = static_cast<uint8_t>(bpp);
    file.resize(offset);
    file.insert(file.end(), rows.begin(), rows.end());
    return file;
}

TEST(ImageBmp, BrokenFilesAreRefusedWithAReason) {
    std::vector<uint8_t> rows(8, 0);
    std::string error;
    Image image;
    EXPECT_FALSE(kaf_tool::DecodeBmp(Bytes("BM"), &image, &error));
    EXPECT_FALSE(kaf_tool::DecodeBmp(HandBmp(3, 2, 8, 40, {1, 2, 3}), &image, &error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    EXPECT_FALSE(kaf_tool::DecodeBmp(HandBmp(3, 2, 8, 40, rows, 1), &image, &error));
    EXPECT_NE(error.find("compressed"), std::string::npos) << error;
    EXPECT_FALSE(kaf_tool::DecodeBmp(HandBmp(3, 2, 12, 40, rows), &image, &error));
    EXPECT_FALSE(kaf_tool::DecodeBmp(HandBmp(0, 2, 8, 40, rows), &image, &error));
    EXPECT_FALSE(kaf_tool::DecodeBmp(HandBmp(3, 2, 8, 12, rows), &image, &error));
}

// A PNG written by libpng's own simple interface, in the given format.
std::vector<uint8_t> LibpngFile(uint32_t format, int width, int height, const std::vector<uint8_t>& pixels) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(width);
    png.height = static_cast<png_uint_32>(height);
    png.format = format;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&png, nullptr, &size, 0, pixels.data(), 0, nullptr));
    std::vector<uint8_t> file(size);
    EXPECT_TRUE(png_image_write_to_memory(&png, file.data(), &size, 0, pixels.data(), 0, nullptr));
    file.resize(size);
    return file;
}

TEST(ImagePng, ReadingConvertsToFrameLayouts) {
    Image image;
    std::string error;
    // RGB in the file is blue, green, red in the frame.
    ASSERT_TRUE(kaf_tool::DecodePng(LibpngFile(PNG_FORMAT_RGB, 2, 1, {1, 2, 3, 4, 5, 6}), &image, &error)) << error;
    EXPECT_EQ(image.bpp, 24);
    EXPECT_EQ(PixelBytes(image), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
    // Grey with alpha keeps both: grey in the three colour bytes, alpha in the fourth.
    ASSERT_TRUE(kaf_tool::DecodePng(LibpngFile(PNG_FORMAT_GA, 1, 2, {7, 200, 9, 0}), &image, &error)) << error;
    EXPECT_EQ(image.bpp, 32);
    EXPECT_EQ(PixelBytes(image), (std::vector<uint8_t>{7, 7, 7, 200, 9, 9, 9, 0}));
    EXPECT_FALSE(kaf_tool::DecodePng(Bytes("\x89PNG\r\n\x1a\n rest"), &image, &error));
}

// A colour JPEG of one colour written by libjpeg.
std::vector<uint8_t> LibjpegFile(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    jpeg_compress_struct jpeg{};
    jpeg_error_mgr errors{};
    jpeg.err = jpeg_std_error(&errors);
    jpeg_create_compress(&jpeg);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&jpeg, &buffer, &size);
    jpeg.image_width = static_cast<JDIMENSION>(width);
    jpeg.image_height = static_cast<JDIMENSION>(height);
    jpeg.input_components = 3;
    jpeg.in_color_space = JCS_RGB;
    jpeg_set_defaults(&jpeg);
    jpeg_set_quality(&jpeg, 95, TRUE);
    jpeg_start_compress(&jpeg, TRUE);
    std::vector<uint8_t> row;
    for (int x = 0; x < width; ++x) row.insert(row.end(), {r, g, b});
    while (jpeg.next_scanline < jpeg.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&jpeg, rows, 1);
    }
    jpeg_finish_compress(&jpeg);
    std::vector<uint8_t> file(buffer, buffer + size);
    jpeg_destroy_compress(&jpeg);
    std::free(buffer);
    return file;
}

TEST(ImageJpeg, ColourPicturesAreReadInFrameOrder) {
    Image image;
    std::string error;
    ASSERT_TRUE(kaf_tool::DecodeJpeg(LibjpegFile(9, 5, 250, 128, 10), &image, &error)) << error;
    EXPECT_EQ(image.bpp, 24);
    EXPECT_EQ(image.width, 9);
    EXPECT_EQ(image.height, 5);
    EXPECT_NEAR(image.Row(2)[0], 10, 4);   // blue
    EXPECT_NEAR(image.Row(2)[1], 128, 4);  // green
    EXPECT_NEAR(image.Row(2)[2], 250, 4);  // red
    EXPECT_FALSE(kaf_tool::DecodeJpeg(Bytes("not a jpeg"), &image, &error));
}

// A TIFF file written by libtiff itself: `samples` samples of `bits` bits a
// pixel in the given sample format and planar layout, one strip, the
// samples' bytes as given; grey is min-is-black unless `minIsWhite`.
std::vector<uint8_t> LibtiffFile(uint32_t width, uint32_t height, uint16_t bits, uint16_t samples, uint16_t format,
                                 uint16_t planar, const std::vector<uint8_t>& data, bool minIsWhite = false) {
    std::string path = ScratchDir() + "/libtiff.tif";
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) return {};
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, format);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, planar);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                 samples > 1 ? PHOTOMETRIC_RGB : minIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
    if (planar == PLANARCONFIG_SEPARATE) {
        tmsize_t plane = static_cast<tmsize_t>(data.size() / samples);
        for (uint16_t s = 0; s < samples; ++s) {
            TIFFWriteEncodedStrip(tiff, s, const_cast<uint8_t*>(data.data()) + s * plane, plane);
        }
    } else {
        TIFFWriteEncodedStrip(tiff, 0, const_cast<uint8_t*>(data.data()), static_cast<tmsize_t>(data.size()));
    }
    TIFFClose(tiff);
    return Bytes(ReadBytes(path));
}

// Strips are the run test's round trips; tiles of 16 leave partial tiles at
// the right and the bottom of 37 x 21 pixels.
TEST(ImageTiff, TilesRoundTripAtEveryDepth) {
    for (int32_t bpp : {8, 24, 32}) {
        Image image = NoiseImage(37, 21, bpp, 300u + static_cast<uint32_t>(bpp));
        std::vector<uint8_t> file;
        std::string error;
        Image back;
        ASSERT_TRUE(kaf_tool::EncodeTiff(image, &file, &error, 16)) << error;
        ASSERT_TRUE(kaf_tool::DecodeTiff(file, &back, &error)) << error;
        EXPECT_EQ(back.bpp, bpp);
        EXPECT_EQ(PixelBytes(back), PixelBytes(image)) << bpp << " bits";
    }
}

TEST(ImageTiff, FilesOfOtherToolsAreReadInFrameOrderOrRefusedByDepth) {
    Image image;
    std::string error;
    // Stored red, green, blue, in separate planes: read as blue, green, red.
    ASSERT_TRUE(kaf_tool::DecodeTiff(LibtiffFile(2, 1, 8, 3, SAMPLEFORMAT_UINT, PLANARCONFIG_SEPARATE,
                                                 {10, 11, 20, 21, 30, 31}),
                                     &image, &error))
        << error;
    EXPECT_EQ(image.bpp, 24);
    EXPECT_EQ(PixelBytes(image), (std::vector<uint8_t>{30, 20, 10, 31, 21, 11}));
    ASSERT_TRUE(kaf_tool::DecodeTiff(LibtiffFile(2, 1, 8, 3, SAMPLEFORMAT_UINT, PLANARCONFIG_CONTIG,
                                                 {10, 20, 30, 11, 21, 31}),
                                     &image, &error));
    EXPECT_EQ(PixelBytes(image), (std::vector<uint8_t>{30, 20, 10, 31, 21, 11}));
    // Min-is-white grey stays grey, turned the right way round.
    ASSERT_TRUE(kaf_tool::DecodeTiff(
        LibtiffFile(2, 1, 8, 1, SAMPLEFORMAT_UINT, PLANARCONFIG_CONTIG, {0, 200}, true), &image, &error));
    EXPECT_EQ(image.bpp, 8);
    EXPECT_EQ(PixelBytes(image), (std::vector<uint8_t>{255, 55}));

    EXPECT_FALSE(kaf_tool::DecodeTiff(
        LibtiffFile(2, 2, 16, 1, SAMPLEFORMAT_UINT, PLANARCONFIG_CONTIG, std::vector<uint8_t>(8, 1)), &image, &error));
    EXPECT_EQ(error, "16-bit samples cannot be processed (8-bit samples only)");
    EXPECT_FALSE(kaf_tool::DecodeTiff(
        LibtiffFile(2, 2, 32, 1, SAMPLEFORMAT_IEEEFP, PLANARCONFIG_CONTIG, std::vector<uint8_t>(16, 0)), &image,
        &error));
    EXPECT_EQ(error, "32-bit floating-point samples cannot be processed (8-bit samples only)");
    EXPECT_FALSE(kaf_tool::DecodeTiff(Bytes("II*\0 broken"), &image, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace kaf_tool_test

#endif  // KAF_HAVE_IMAGE_IO
