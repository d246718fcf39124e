#include "tool_images.h"

#ifdef KAF_HAVE_IMAGE_IO

#include <gtest/gtest.h>

#include <random>

namespace kaf_tool_test {

kaf_tool::Image NoiseImage(int32_t width, int32_t height, int32_t bpp, uint32_t seed) {
    kaf_tool::Image image;
    std::string error;
    EXPECT_TRUE(kaf_tool::MakeImage(width, height, bpp, &image, &error)) << error;
    std::mt19937 random(seed);
    for (uint8_t& b : image.bytes) b = static_cast<uint8_t>(random());
    return image;
}

std::string SaveTestImage(const std::string& path, const kaf_tool::Image& image) {
    std::string error;
    EXPECT_TRUE(kaf_tool::WriteImage(path, image, &error)) << error;
    return path;
}

kaf_tool::Image LoadTestImage(const std::string& path) {
    kaf_tool::Image image;
    std::string error;
    EXPECT_TRUE(kaf_tool::ReadImage(path, &image, &error)) << error;
    return image;
}

std::vector<uint8_t> PixelBytes(const kaf_tool::Image& image) {
    std::vector<uint8_t> bytes;
    size_t used = (static_cast<size_t>(image.width) * static_cast<size_t>(image.bpp) + 7) / 8;
    for (int32_t y = 0; y < image.height; ++y) bytes.insert(bytes.end(), image.Row(y), image.Row(y) + used);
    return bytes;
}

}  // namespace kaf_tool_test

#endif
