// Helpers for the morphology tests: pictures written as text, and the
// threshold passes written plainly (one pixel at a time, straight from the
// rule) to hold the engines against.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ka_iproc.h"
#include "test_host.h"

namespace morph_test {

// A picture as rows of text: '#' is a dark pixel (0), '.' a light one (255).
using Picture = std::vector<std::string>;

// An 8-bit frame of 0s and 255s as text; any other value shows as '?'.
Picture PictureOf(FrameHandle frame);
// A w x h picture, all light, with the listed (row, column) pixels dark.
Picture PictureWith(int32_t width, int32_t height, const std::vector<std::pair<int, int>>& dark);
// Adds the picture as the host's 8-bit input frame and runs the method once.
kaf_test::Outcome RunOnPicture(kaf_test::TestHost& host, const Picture& picture);
std::vector<std::string> Narrowed(const std::vector<std::u16string>& texts);
// The clamping warning's text for an object name and the two values as printed.
std::string ClampWarning(const std::string& name, const std::string& oldValue, const std::string& newValue);

// An 8-bit image as plain rows of bytes, no padding.
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
    uint8_t& At(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
    bool operator==(const Image& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};

Image ImageOf(FrameHandle frame);  // 8-bit frames only

// n passes of one rule, straight from the rule: every pixel from its 3x3
// window clipped to the frame. The first pass compares the frame's grey
// value, or its colour sum with three times the level; later passes (and
// every pass over an image) the 0s and 255s with the level.
Image ReferencePasses(bool dilation, FrameHandle source, int32_t level, int32_t n);
Image ReferencePasses(bool dilation, Image image, int32_t level, int32_t n);

// Random dark discs on light with some noise, 0 or 255 in every byte of a
// frame of any depth: shapes that survive long runs of passes.
void FillScene(FrameHandle frame, uint32_t seed);

}  // namespace morph_test
