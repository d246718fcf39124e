// Running the built kafilters tool as a subprocess, and files for it to read:
// images are written with the tool's own codecs.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#ifdef KAF_HAVE_IMAGE_IO
#include "image_io.h"
#endif

namespace kaf_tool_test {

struct ToolResult {
    int status = -1;  // the exit status; -1 when the tool did not exit normally
    std::string out;
    std::string err;
    std::vector<std::string> ErrLines() const;
    std::vector<std::string> OutLines() const;
};

// Runs the tool with the arguments; `environment` entries are set in the
// child (an empty value unsets the variable).
ToolResult RunTool(const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& environment = {});

// A fresh folder for one test, removed at the end of the test program.
std::string ScratchDir();
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

std::vector<std::string> SplitLines(const std::string& text);

#ifdef KAF_HAVE_IMAGE_IO
kaf_tool::Image NoiseImage(int32_t width, int32_t height, int32_t bpp, uint32_t seed);
// Writes the image (format by extension) and returns the path.
std::string SaveTestImage(const std::string& path, const kaf_tool::Image& image);
kaf_tool::Image LoadTestImage(const std::string& path);
// The pixel bytes, row by row, without row padding.
std::vector<uint8_t> PixelBytes(const kaf_tool::Image& image);
#endif

}  // namespace kaf_tool_test
