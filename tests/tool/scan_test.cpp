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

TEST_F(ScanCommand, PrintsOneLinePerSampleFromTheStoredRows) {
    EXPECT_EQ(Samples({"scan", ramp_, "--line=10,20,15,20"}),
              (std::vector<std::string>{"10,20,170", "11,20,171", "12,20,172", "13,20,173", "14,20,174"}));
    // Mode 0 packs the grey level into three bytes; half-way samples give
    // the floor of the mean of the two pixels.
    EXPECT_EQ(Samples({"scan", ramp_, "--line=10,20,12,20", "--mode=0"}),
              (std::vector<std::string>{"10,20,11184810", "11,20,11250603"}));
    EXPECT_EQ(Samples({"scan", ramp_, "--line", "10.5,3,12.5,3", "--bits", "4"}),
              (std::vector<std::string>{"10.5,3,34", "11.5,3,35"}));
    // Positions with nine significant digits.
    std::vector<std::string> diagonal = Samples({"scan", ramp_, "--line=3,4,20,10"});
    ASSERT_EQ(diagonal.size(), 18u);
    EXPECT_EQ(diagonal[1].substr(0, 22), "3.94444442,4.33333349,");
}

TEST_F(ScanCommand, RegionAndBitmapLimitWhatIsSampled) {
    // A region around columns 9..11 of row 5: interior pixels outside it are
    // skipped, column 0 is reported as an edge sample whatever the region.
    std::vector<std::string> samples = Samples({"scan", ramp_, "--line=0,5,14,5", "--region=10,5,2,2,0"});
    EXPECT_EQ(samples, (std::vector<std::string>{"0,5,40", "9,5,49", "10,5,50", "11,5,51"}));
    EXPECT_TRUE(Samples({"scan", ramp_, "--line=-20,-20,-10,-10"}).empty());
    // The scanners read 8 and 32 bits only: a colour picture gives no sample.
    std::string colour = SaveTestImage(dir_ + "/c.png", NoiseImage(8, 8, 24, 2));
    ToolResult r = RunTool({"scan", colour, "--line=1,1,6,6"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "x,y,value\n");
    EXPECT_NE(r.err.find("8- and 32-bit"), std::string::npos) << r.err;
}

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
