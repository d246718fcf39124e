// Image files for the tool tests, written with the tool's own codecs.
#pragma once

#ifdef KAF_HAVE_IMAGE_IO

#include <string>

#include "image_io.h"

namespace kaf_tool_test {

kaf_tool::Image NoiseImage(int32_t width, int32_t height, int32_t bpp, uint32_t seed);
// Writes the image (format by extension) and returns the path.
std::string SaveTestImage(const std::string& path, const kaf_tool::Image& image);
kaf_tool::Image LoadTestImage(const std::string& path);
// The pixel bytes, row by row, without row padding.
std::vector<uint8_t> PixelBytes(const kaf_tool::Image& image);

}  // namespace kaf_tool_test

#endif
