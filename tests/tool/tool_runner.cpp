#include "tool_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

namespace kaf_tool_test {

namespace {

// The program's scratch folder, removed when it ends.
struct ScratchRoot {
    std::string path = std::filesystem::temp_directory_path().string() + "/kaf_tool_test_XXXXXX";
    ScratchRoot() {
        if (!mkdtemp(path.data())) path.clear();
    }
    ~ScratchRoot() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

ScratchRoot& Root() {
    static ScratchRoot root;
    return root;
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> ToolResult::ErrLines() const { return SplitLines(err); }
std::vector<std::string> ToolResult::OutLines() const { return SplitLines(out); }

std::string ScratchDir() {
    static int counter = 0;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "misc";
    std::replace(name.begin(), name.end(), '/', '_');
    std::string dir = Root().path + "/" + name + "_" + std::to_string(++counter);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string ReadBytes(const std::string& path) {
    std::ostringstream data;
    data << std::ifstream(path, std::ios::binary).rdbuf();
    return data.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

ToolResult RunTool(const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& environment) {
    const std::string outPath = Root().path + "/stdout", errPath = Root().path + "/stderr";
    // The build's tool behind the emulator where the build needs one.
    std::vector<std::string> argv;
    std::istringstream launcher(KAF_TOOL_LAUNCHER);
    for (std::string word; launcher >> word;) argv.push_back(word);
    argv.push_back(KAF_TOOL_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t child = fork();
    if (child == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || in < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (const auto& [name, value] : environment) {
            value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char*> pointers;
        for (std::string& a : argv) pointers.push_back(a.data());
        pointers.push_back(nullptr);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    ToolResult result;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    result.out = ReadBytes(outPath);
    result.err = ReadBytes(errPath);
    return result;
}

#ifdef KAF_HAVE_IMAGE_IO
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
#endif

}  // namespace kaf_tool_test
