// The tool's command line: help, the catalogue commands, exit statuses and
// where the module is loaded from.
#include <gtest/gtest.h>

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
