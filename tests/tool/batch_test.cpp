// Batch runs of `kafilters run` over a folder: every image file is processed
// with the same parameters, a failing file is named with its reason while the
// others are written, and the results match single-file runs whatever the
// number of workers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tool_runner.h"
#include "test_host.h"

namespace kaf_tool_test {
namespace {

namespace fs = std::filesystem;

// A 6 x 5 grey JPEG (a ramp) written by libjpeg at quality 90.
const char kJpeg[] =
    "\xff\xd8\xff\xe0\x00\x10\x4a\x46\x49\x46\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xff\xdb\x00\x43"
    "\x00\x03\x02\x02\x03\x02\x02\x03\x03\x03\x03\x04\x03\x03\x04\x05\x08\x05\x05\x04\x04\x05\x0a\x07"
    "\x07\x06\x08\x0c\x0a\x0c\x0c\x0b\x0a\x0b\x0b\x0d\x0e\x12\x10\x0d\x0e\x11\x0e\x0b\x0b\x10\x16\x10"
    "\x11\x13\x14\x15\x15\x15\x0c\x0f\x17\x18\x16\x14\x18\x12\x14\x15\x14\xff\xc0\x00\x0b\x08\x00\x05"
    "\x00\x06\x01\x01\x11\x00\xff\xc4\x00\x14\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x05\xff\xc4\x00\x1d\x10\x00\x01\x02\x07\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x01\x00\x03\x05\x08\x16\x21\x41\x43\x71\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00\x5a\x5c\x20"
    "\x8c\x53\xe6\xda\xc6\x38\xbf\xff\xd9";

// A binary PGM (channels 1) or PPM (channels 3) of a seeded pattern.
std::string Pnm(int channels, int width, int height, int seed) {
    std::string pixels;
    for (int i = 0; i < channels * width * height; ++i) pixels += static_cast<char>((i * 37 + seed * 91) % 251);
    return (channels == 1 ? "P5\n" : "P6\n") + std::to_string(width) + " " + std::to_string(height) + "\n255\n" + pixels;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Files of two sizes and three formats, a JPEG whose result becomes PNG, a
// JPEG whose .png name is already taken, a broken file, a text file and a
// sub-folder. The broken file is reported and the others are written, each
// exactly as a run on the file alone writes it, with one worker (one method
// object for every file, sizes changing between them) or three.
TEST(BatchRun, BrokenFileAmongGoodOnesIsNamedAndTheRestAreWritten) {
    const std::string dir = ScratchDir(), in = dir + "/in";
    fs::create_directories(in + "/nested");
    auto put = [&](const std::string& name, const std::string& bytes) { WriteBytes(in + "/" + name, bytes); };
    put("a.pgm", Pnm(1, 7, 5, 1));
    put("b.ppm", Pnm(3, 9, 6, 2));
    put("c.jpg", std::string(kJpeg, sizeof kJpeg - 1));
    put("d.pgm", Pnm(1, 11, 3, 4));
    put("photo.jpg", std::string(kJpeg, sizeof kJpeg - 1));
    put("photo.png", "\x89PNG but not really");
    put("notes.txt", "not an image");
    put("nested/e.pgm", Pnm(1, 4, 4, 5));
    const std::vector<std::pair<std::string, std::string>> written = {
        {"a.pgm", "a.pgm"}, {"b.ppm", "b.ppm"}, {"c.jpg", "c.png"}, {"d.pgm", "d.pgm"}, {"photo.jpg", "photo.jpg.png"}};

    for (const char* jobs : {"1", "3"}) {
        SCOPED_TRACE(std::string("jobs ") + jobs);
        std::string out = dir + "/out" + jobs;
        ToolResult r = RunTool({"run", "median", in, out, "-p", "Neighbourhood radius=1", "-j", jobs});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_TRUE(Contains(r.err, "failed: photo.png: cannot read " + in + "/photo.png as PNG")) << r.err;
        EXPECT_TRUE(Contains(r.err, "5 of 6 files written, 1 failed: photo.png")) << r.err;
        EXPECT_TRUE(Contains(r.err, "note: 1 file in " + in + " is not an image")) << r.err;
        // Not a terminal: a plain line for each file written.
        EXPECT_TRUE(Contains(r.err, "] c.jpg -> " + out + "/c.png")) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;

        size_t files = 0;
        for (const auto& entry : fs::directory_iterator(out)) files += entry.is_regular_file();
        EXPECT_EQ(files, written.size());
        EXPECT_FALSE(FileExists(out + "/photo.png"));
        EXPECT_FALSE(FileExists(out + "/nested"));
        for (const auto& file : written) {
            std::string single = dir + "/single_" + file.second;
            ASSERT_EQ(RunTool({"run", "median", in + "/" + file.first, single, "-p", "Neighbourhood radius=1"}).status, 0);
            std::string batch = ReadBytes(out + "/" + file.second);
            EXPECT_FALSE(batch.empty()) << file.second;
            EXPECT_EQ(batch, ReadBytes(single)) << file.second;
        }
    }
}

}  // namespace
}  // namespace kaf_tool_test
