#include "tool_runner.h"

#include "test_host.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace kaf_tool_test {

namespace {

struct ScratchRoot {
    std::string path;
    ScratchRoot() {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/kaf_tool_test_XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data())) path = buffer.data();
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
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::vector<std::string> ToolResult::ErrLines() const { return SplitLines(err); }
std::vector<std::string> ToolResult::OutLines() const { return SplitLines(out); }

std::string ScratchDir() {
    static int counter = 0;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "misc";
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    std::string dir = Root().path + "/" + name + "_" + std::to_string(++counter);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

ToolResult RunTool(const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& environment) {
    ToolResult result;
    std::string dir = Root().path;
    std::string outPath = dir + "/stdout_" + std::to_string(getpid());
    std::string errPath = dir + "/stderr_" + std::to_string(getpid());
    std::vector<std::string> argv = kaf_test::ToolCommand(args);
    pid_t child = fork();
    if (child == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (const auto& variable : environment) {
            if (variable.second.empty()) unsetenv(variable.first.c_str());
            else setenv(variable.first.c_str(), variable.second.c_str(), 1);
        }
        std::vector<char*> pointers;
        for (std::string& a : argv) pointers.push_back(&a[0]);
        pointers.push_back(nullptr);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    result.out = ReadBytes(outPath);
    result.err = ReadBytes(errPath);
    return result;
}

}  // namespace kaf_tool_test
