// The tool's command line: help, the catalogue commands, exit statuses and
// where the module is loaded from.
#include <gtest/gtest.h>

#include <regex>

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
}

TEST(ToolList, TextListsTwentyMethodsWithGroups) {
    ToolResult r = RunTool({"list"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = r.OutLines();
    ASSERT_EQ(lines.size(), 20u);
    std::regex row(R"( ?(\d+)  (\S+) +(\S+ filters) +(.+))");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[19], m, row)) << lines[19];
    EXPECT_EQ(m[2], "flat_field");
    EXPECT_EQ(m[3], "Color filters");
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_TRUE(std::regex_match(lines[i], m, row)) << lines[i];
        EXPECT_EQ(m[1], std::to_string(i));
    }
}

TEST(ToolInfo, TextShowsTypesNamesAndDescriptors) {
    ToolResult r = RunTool({"info", "blur"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::regex input1(R"(  1  number \(10\)  Kernel radius +Max=10;Default=1)");
    std::regex input0(R"(  0  frame \(1\) +Input frame +-)");
    std::regex output0(R"(  0  frame \(1\) +Output frame)");
    bool seen[3] = {};
    for (const std::string& line : r.OutLines()) {
        seen[0] = seen[0] || std::regex_match(line, input0);
        seen[1] = seen[1] || std::regex_match(line, input1);
        seen[2] = seen[2] || std::regex_match(line, output0);
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2]) << r.out;
    EXPECT_NE(r.out.find("Pass-through rating  EditType=Slider;Min=0;Max=1;Default=0.5"), std::string::npos);
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
