// The tool's command line: help, the catalogue commands, usage errors of
// every command and where the module is loaded from.
#include <gtest/gtest.h>

#include "tool_images.h"
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

TEST(ToolHelp, UsageErrorsExitWithTwo) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
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
    };
    for (const Case& c : cases) {
        ToolResult r = RunTool(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
#ifdef KAF_HAVE_IMAGE_IO
    // Options of scan that the scanners cannot take, on a picture it can read.
    const std::string dir = ScratchDir(), picture = SaveTestImage(dir + "/noise.bmp", NoiseImage(30, 24, 8, 1));
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"--line=1,2,3"}, {"--line=1,2,3,x"}, {"--line=1,2,3,4", "--bits=12"},
          {"--line=1,2,3,4", "--bits=0"}, {"--line=1,2,3,4", "--bits=10", "--sharpen"},
          {"--line=1,2,3,4", "--mode=red"}, {"--line=1,2,3,4", "--region=1,2,3,4"}, {"--line=1,2,3,4", "--user=-1"},
          {"--line=1,2,3,4", "--stop-after=0"}, {"--line=1,2,3,4", "--sharpen=1"}, {picture, "--line=1,2,3,4"}}) {
        std::vector<std::string> args = {"scan", picture};
        args.insert(args.end(), options.begin(), options.end());
        ToolResult r = RunTool(args);
        EXPECT_EQ(r.status, 2) << args.back() << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_EQ(RunTool({"scan", dir + "/missing.bmp", "--line=1,2,3,4"}).status, 2);
#endif
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
