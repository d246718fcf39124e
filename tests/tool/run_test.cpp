// `kafilters run`: method failures, parameters and their warnings, and
// images carried through a method unchanged.
#include <gtest/gtest.h>

#ifdef KAF_HAVE_IMAGE_IO

#include "tool_runner.h"

namespace kaf_tool_test {
namespace {

class RunCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = ScratchDir();
        colour_ = SaveTestImage(dir_ + "/colour.ppm", NoiseImage(9, 7, 24, 5));
    }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    std::string dir_;
    std::string colour_;
};

TEST_F(RunCommand, MethodFailureExitsWithOneAndTheErrorText) {
    // flat_field needs its calibration frame: without it, or with one of
    // another size, the method fails.
    ToolResult none = RunTool({"run", "flat_field", colour_, Path("a.png")});
    EXPECT_EQ(none.status, 1) << none.err;
    EXPECT_EQ(none.err, "error: Cannot get input frame\n");
    EXPECT_FALSE(FileExists(Path("a.png")));
    std::string small = SaveTestImage(Path("white.bmp"), NoiseImage(4, 4, 24, 1));
    for (const char* name : {"White calibration frame=", "white CALIBRATION frame=", "1="}) {
        ToolResult r = RunTool({"run", "flat_field", colour_, Path("b.png"), "-p", name + small});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_EQ(r.err, "error: Frame and pattern must be of the same size and type\n");
    }
}

TEST_F(RunCommand, ParametersReachTheMethodByNameOrIndex) {
    auto warnings = [&](std::vector<std::string> params) {
        std::vector<std::string> args = {"run", "blur", colour_, Path("out.bmp")};
        for (const std::string& p : params) args.insert(args.end(), {"-p", p});
        ToolResult r = RunTool(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.ErrLines();
    };
    const std::string radiusClamp = "warning: Not acceptable value of the parameter Kernel radius ";
    // The object carries the catalogue's name whatever letter case was typed.
    EXPECT_EQ(warnings({"kernel RADIUS=12"}),
              std::vector<std::string>{radiusClamp + "(12). It will be used new value 10."});
    EXPECT_EQ(warnings({"1=-3"}), std::vector<std::string>{radiusClamp + "(-3). It will be used new value 1."});
    EXPECT_TRUE(warnings({"1=0x3", "2=0.25"}).empty());
    // A later value replaces an earlier one.
    EXPECT_TRUE(warnings({"1=40", "Kernel radius=2"}).empty());
    // A list is an array; warnings arrive in the order the method issues them.
    EXPECT_EQ(warnings({"Pass-through rating=1.5", "1=3, 4"}),
              (std::vector<std::string>{
                  "warning: Only the first element of the array would be evaluated in the input data object "
                  "Kernel radius",
                  "warning: Not acceptable value of the parameter Pass-through rating (1.500000). It will be used "
                  "new value 1.000000."}));
}

// "blur" with a pass-through rating of exactly 1 copies the input frame
// whole, whatever its depth: the image comes out as it went in, so what is
// checked here is the way from file to frame and back.
TEST_F(RunCommand, EveryFormatAndDepthComesBackUnchanged) {
    for (const auto& [extension, bpp] : {std::pair<std::string, int32_t>{"bmp", 8}, {"bmp", 16}, {"bmp", 24},
                                         {"bmp", 32}, {"png", 8}, {"png", 24}, {"png", 32}, {"pgm", 8}, {"ppm", 24},
                                         {"pam", 32}, {"bmp", 1}, {"bmp", 4}, {"tif", 8}, {"tiff", 24}, {"tif", 32}}) {
        const std::string name = extension + std::to_string(bpp);
        const kaf_tool::Image image = NoiseImage(13, 5, bpp, static_cast<uint32_t>(bpp));
        const std::string out = Path("out_" + name + "." + extension);
        const std::string in = SaveTestImage(Path("in_" + name + "." + extension), image);
        ToolResult r = RunTool({"run", "blur", in, out, "-p", "Pass-through rating=1"});
        ASSERT_EQ(r.status, 0) << name << "\n" << r.err;
        const kaf_tool::Image back = LoadTestImage(out);
        EXPECT_EQ(back.bpp, bpp) << name;
        EXPECT_EQ(PixelBytes(back), PixelBytes(image)) << name;
    }
}

}  // namespace
}  // namespace kaf_tool_test

#endif  // KAF_HAVE_IMAGE_IO
