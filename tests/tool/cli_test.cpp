// The tool's command line: help, the catalogue commands, usage errors of
// every command and where the module is loaded from.
#include <gtest/gtest.h>

#include <filesystem>

#include "tool_runner.h"

namespace kaf_tool_test {
namespace {

TEST(ToolHelp, ToolAndEveryCommandHaveHelp) {
    ToolResult tool = RunTool({"--help"});
    EXPECT_EQ(tool.status, 0);
    for (const char* command : {"list", "info", "run", "scan"}) {
        EXPECT_NE(tool.out.find(std::string("  ") + command + " "), std::string::npos) << command;
        ToolResult help = RunTool({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("usage: kafilters ") + command, 0), 0u) << help.out;
        EXPECT_EQ(RunTool({"help", command}).out, help.out);
    }
    // Help wins over arguments that would otherwise be errors.
    EXPECT_EQ(RunTool({"run", "nosuchmethod", "-h"}).status, 0);
}

// Every command's usage errors and unusable files: status 2, the reason on
// standard error, nothing on standard output and no output written.
TEST(ToolHelp, UsageErrorsExitWithTwo) {
    const std::string dir = ScratchDir(), in = dir + "/in", out = dir + "/out.png", folder = dir + "/out";
    std::filesystem::create_directories(in);
    std::filesystem::create_directories(dir + "/empty");
    WriteBytes(in + "/a.pgm", std::string("P5\n2 1\n255\n\x10\x20", 13));
    WriteBytes(dir + "/file.txt", "x");
    WriteBytes(dir + "/broken.png", "\x89PNG but not really");
    std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "usage: kafilters"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"list", "--verbose"}, "unknown option --verbose"},
        {{"list", "extra"}, "list takes no arguments"},
        {{"list", "--json=yes"}, "takes no value"},
        {{"info"}, "exactly one METHOD"},
        {{"info", "Median"}, "unknown method 'Median'"},
        {{"run", "median", "in.bmp"}, "run needs METHOD INPUT OUTPUT"},
        {{"run", "median", "a.bmp", "b.bmp", "--repeat"}, "--repeat needs a value"},
        {{"scan", "a.bmp"}, "--line"},
        {{"scan", dir + "/missing.bmp", "--line=1,2,3,4"}, ""},
        // A folder as INPUT: a batch.
        {{"run", "median", in, dir + "/file.txt"}, "is a file"},
        {{"run", "median", in, dir + "/result.png"}, "names an image file"},
        {{"run", "median", in, in}, "OUTPUT must be another folder than INPUT"},
        {{"run", "median", in, in + "/."}, "OUTPUT must be another folder than INPUT"},
        {{"run", "median", dir + "/empty", folder}, "holds no image files"},
        {{"run", "median", in, folder, "--repeat", "2"}, "--repeat times a single image"},
        {{"run", "median", in, folder, "-j", "0"}, "--jobs must lie between 1"},
        {{"run", "median", in, folder, "--shard", "3/2"}, "--shard K must lie between 1 and 2"},
        {{"run", "median", in, folder, "--shard", "2"}, "--shard needs K/N"},
        {{"run", "median", in + "/a.pgm", dir + "/out.pgm", "--shard", "1/2"}, "--shard splits a folder"},
    };
#ifdef KAF_HAVE_IMAGE_IO
    const std::string colour = SaveTestImage(dir + "/colour.ppm", NoiseImage(9, 7, 24, 5));
    cases.insert(cases.end(), {
        {{"run", "blur", dir + "/missing.bmp", out}, "cannot open " + dir + "/missing.bmp"},
        {{"run", "blur", dir + "/in.gif", out}, "unknown image type"},
        {{"run", "median", dir, out}, "is a folder"},
        {{"run", "blur", dir + "/broken.png", out}, "cannot read " + dir + "/broken.png as PNG"},
        {{"run", "blur", colour, dir + "/out.jpg"}, "OUTPUT must end in"},
        {{"run", "Blur", colour, out}, "unknown method 'Blur'"},
        {{"run", "blur", colour, out, "-p", "Kernel radius"}, "-p needs NAME=VALUE"},
        {{"run", "blur", colour, out, "-p", "=3"}, "-p needs NAME=VALUE"},
        {{"run", "blur", colour, out, "-p", "Radius=3"}, "has no input 'Radius'"},
        {{"run", "blur", colour, out, "-p", "3=1"}, "has no input '3'"},
        {{"run", "blur", colour, out, "-p", "0=1"}, "is the INPUT image"},
        {{"run", "blur", colour, out, "-p", "1=abc"}, "'abc' is not a number"},
        {{"run", "blur", colour, out, "-p", "1=1,,2"}, "is not a number"},
        {{"run", "blur", colour, out, "-p", "1=0x"}, "is not a number"},
        {{"run", "blur", colour, out, "--repeat", "0"}, "--repeat must lie between 1"},
        {{"run", "blur", colour, out, "--repeat", "two"}, "not a whole number"},
        {{"run", "flat_field", colour, out, "-p", "White calibration frame=" + dir + "/none.png"}, "cannot open"},
    });
    // Options of scan that the scanners cannot take, on a picture it can read.
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"--line=1,2,3"}, {"--line=1,2,3,x"}, {"--line=1,2,3,4", "--bits=12"},
          {"--line=1,2,3,4", "--bits=0"}, {"--line=1,2,3,4", "--bits=10", "--sharpen"},
          {"--line=1,2,3,4", "--mode=red"}, {"--line=1,2,3,4", "--region=1,2,3,4"}, {"--line=1,2,3,4", "--user=-1"},
          {"--line=1,2,3,4", "--stop-after=0"}, {"--line=1,2,3,4", "--sharpen=1"}, {colour, "--line=1,2,3,4"}}) {
        cases.push_back({{"scan", colour}, ""});
        cases.back().first.insert(cases.back().first.end(), options.begin(), options.end());
    }
#endif
    for (const auto& [args, message] : cases) {
        ToolResult r = RunTool(args);
        EXPECT_EQ(r.status, 2) << args.back() << ": " << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    for (const std::string& file : {out, folder, dir + "/result.png", dir + "/out.pgm"}) EXPECT_FALSE(FileExists(file));
}

TEST(ToolModule, LoadedFromTheEnvironmentVariableFirst) {
    ToolResult bad = RunTool({"list"}, {{"KAFILTERS_MODULE", "/nonexistent/libkafilters.so"}});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("cannot load the filter module /nonexistent/libkafilters.so"), std::string::npos)
        << bad.err;
    ToolResult good = RunTool({"list"}, {{"KAFILTERS_MODULE", KAF_MODULE_PATH}});
    EXPECT_EQ(good.status, 0) << good.err;
    // Unset, the module next to the tool is used.
    EXPECT_EQ(RunTool({"list"}, {{"KAFILTERS_MODULE", ""}}).status, 0);
    // Help needs no module.
    EXPECT_EQ(RunTool({"run", "--help"}, {{"KAFILTERS_MODULE", "/nonexistent"}}).status, 0);
}

}  // namespace
}  // namespace kaf_tool_test
