// `kafilters scan`: the output format, the options reaching the scanners,
// argument errors and the SVG plot.
#include <gtest/gtest.h>

#ifdef KAF_HAVE_IMAGE_IO

#include "tool_images.h"
#include "tool_runner.h"

namespace kaf_tool_test {
namespace {

class ScanCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = ScratchDir();
        // 8 bits, stored row y holds x + 8 y (kept below 256), in a
        // bottom-up BMP: rows are scanned in storage order.
        ramp_ = SaveTestImage(dir_ + "/ramp.bmp", MakeTestImage(30, 24, 8, [](int32_t x, int32_t y, int32_t) {
                                  return static_cast<uint8_t>(x + 8 * y);
                              }));
    }
    std::vector<std::string> Samples(const std::vector<std::string>& args) {
        ToolResult r = RunTool(args);
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::string> lines = r.OutLines();
        EXPECT_FALSE(lines.empty());
        if (lines.empty()) return lines;
        EXPECT_EQ(lines[0], "x,y,value");
        return std::vector<std::string>(lines.begin() + 1, lines.end());
    }

    std::string dir_, ramp_;
};

TEST_F(ScanCommand, BadOptionsExitWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"scan", ramp_, "--line=1,2,3"},
        {"scan", ramp_, "--line=1,2,3,x"},
        {"scan", ramp_, "--line=1,2,3,4", "--bits=12"},
        {"scan", ramp_, "--line=1,2,3,4", "--bits=0"},
        {"scan", ramp_, "--line=1,2,3,4", "--bits=10", "--sharpen"},
        {"scan", ramp_, "--line=1,2,3,4", "--mode=red"},
        {"scan", ramp_, "--line=1,2,3,4", "--region=1,2,3,4"},
        {"scan", ramp_, "--line=1,2,3,4", "--user=-1"},
        {"scan", ramp_, "--line=1,2,3,4", "--stop-after=0"},
        {"scan", ramp_, "--line=1,2,3,4", "--sharpen=1"},
        {"scan", ramp_, ramp_, "--line=1,2,3,4"},
        {"scan", dir_ + "/missing.bmp", "--line=1,2,3,4"},
    };
    for (const auto& args : cases) {
        ToolResult r = RunTool(args);
        EXPECT_EQ(r.status, 2) << args.back() << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

}  // namespace
}  // namespace kaf_tool_test

#endif  // KAF_HAVE_IMAGE_IO
