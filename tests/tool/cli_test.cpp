// The tool's command line: help, the catalogue commands, exit statuses and
// where the module is loaded from.
#include <gtest/gtest.h>

#include <regex>

#include "json_check.h"
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
    ASSERT_TRUE(std::regex_match(lines[5], m, row)) << lines[5];
    EXPECT_EQ(m[1], "5");
    EXPECT_EQ(m[2], "mean");
    EXPECT_EQ(m[3], "Morphologic filters");
    EXPECT_EQ(m[4], "Convolve image with boxcar kernel");
    ASSERT_TRUE(std::regex_match(lines[19], m, row)) << lines[19];
    EXPECT_EQ(m[2], "flat_field");
    EXPECT_EQ(m[3], "Color filters");
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_TRUE(std::regex_match(lines[i], m, row)) << lines[i];
        EXPECT_EQ(m[1], std::to_string(i));
    }
}

TEST(ToolList, JsonIsValidAndMatchesTheText) {
    ToolResult r = RunTool({"list", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    Json json;
    std::string error;
    ASSERT_TRUE(ParseJson(r.out, &json, &error)) << error << "\n" << r.out;
    ASSERT_EQ(json.kind, Json::Array);
    ASSERT_EQ(json.items.size(), 20u);
    EXPECT_EQ(json[9]["index"].number, 9);
    EXPECT_EQ(json[9]["name"].text, "extreme");
    EXPECT_EQ(json[9]["group"].text, "Morphologic filters");
    EXPECT_EQ(json[9]["description"].text,
              "Changing each pixel with neighbourhood minimum/maximum (depending which is further)");
    EXPECT_EQ(json[0]["group"].text, "Convolution filters");
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

TEST(ToolInfo, JsonListsInputsAndOutputs) {
    ToolResult r = RunTool({"info", "kernel", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    Json json;
    std::string error;
    ASSERT_TRUE(ParseJson(r.out, &json, &error)) << error << "\n" << r.out;
    EXPECT_EQ(json["index"].number, 18);
    EXPECT_EQ(json["name"].text, "kernel");
    ASSERT_EQ(json["inputs"].items.size(), 4u);
    EXPECT_EQ(json["inputs"][3]["name"].text, "Kernel source");
    EXPECT_EQ(json["inputs"][3]["type"].number, 10);
    EXPECT_EQ(json["inputs"][3]["descriptor"].text, "");
    ASSERT_EQ(json["outputs"].items.size(), 1u);
    EXPECT_EQ(json["outputs"][0]["name"].text, "Output frame");

    ToolResult flat = RunTool({"info", "flat_field", "--json"});
    ASSERT_TRUE(ParseJson(flat.out, &json, &error)) << error;
    EXPECT_EQ(json["inputs"][1]["type"].number, 1);
    EXPECT_EQ(json["inputs"][1]["type_name"].text, "frame");
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
