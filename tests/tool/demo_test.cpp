// `kafilters demo`: the gallery names every method of the catalogue with its
// description, shows the results of every method the module has, marks the
// others as not available, and every picture and plot it links to exists.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "tool_runner.h"

namespace kaf_tool_test {
namespace {

// The text of the gallery's section for a method.
std::string Section(const std::string& html, const std::string& method) {
    size_t start = html.find("<section id=\"" + method + "\">");
    if (start == std::string::npos) return std::string();
    return html.substr(start, html.find("</section>", start) - start);
}

TEST(Demo, GalleryShowsEveryMethodAndItsFilesExist) {
    std::string dir = ScratchDir() + "/gallery";
    ToolResult r = RunTool({"demo", dir});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::vector<std::string> lines = r.OutLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "gallery: " + dir + "/index.html");
    std::string html = ReadBytes(dir + "/index.html");
    ASSERT_FALSE(html.empty());

    // The catalogue as `list` prints it: "index  name  group  description".
    std::map<std::string, std::string> descriptions;
    std::regex row(R"(^\s*\d+  (\S+) +\S+ filters +(.+)$)");
    for (const std::string& line : RunTool({"list"}).OutLines()) {
        std::smatch m;
        if (std::regex_match(line, m, row)) descriptions[m[1]] = m[2];
    }
    ASSERT_EQ(descriptions.size(), 20u);
    for (const auto& [method, description] : descriptions) {
        SCOPED_TRACE(method);
        std::string section = Section(html, method);
        ASSERT_FALSE(section.empty());
        EXPECT_NE(section.find(description), std::string::npos);
        EXPECT_NE(section.find("src=\"" + method + "-1.png\""), std::string::npos);
        EXPECT_NE(section.find("Time:"), std::string::npos);
        EXPECT_EQ(section.find("not available"), std::string::npos);
    }
    // A clamped parameter shows its warning in the gallery.
    EXPECT_NE(Section(html, "mean").find("warning: Not acceptable value of the parameter Kernel radius (15)"),
              std::string::npos);

    std::regex link(R"re(src="([^"]+)")re");
    std::set<std::string> files;
    for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it) files.insert((*it)[1]);
    EXPECT_GE(files.size(), 8u);
    size_t plots = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        std::string bytes = ReadBytes(dir + "/" + file);
        if (file.size() > 4 && file.compare(file.size() - 4, 4, ".svg") == 0) {
            ++plots;
            EXPECT_EQ(bytes.rfind("<svg ", 0), 0u);
            EXPECT_NE(bytes.find("sharpened"), std::string::npos);  // both scanners in each plot
        } else {
            EXPECT_EQ(bytes.rfind("\x89PNG", 0), 0u);
        }
    }
    EXPECT_EQ(plots, 3u);
}

}  // namespace
}  // namespace kaf_tool_test
