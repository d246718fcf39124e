// The cross-built DLLs as a Windows loader sees them, read with objdump -p:
// the export table (exactly the nine entry points and the two decorated
// scanners), the imports (Windows system DLLs and the host library only, so
// no compiler runtime has to be shipped beside the module) and the machine
// type. The icons and the version record are the Wine test's and the frame
// bytes test's. `make wine-test` runs these with KAF_WIN32_DIR and
// KAF_WIN64_DIR naming the two build folders; without them the tests are
// skipped.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string CommandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
    return output;
}

bool HaveProgram(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// What objdump -p tells about one image.
struct PeImage {
    std::string format;                                // "pei-i386" or "pei-x86-64"
    std::vector<std::string> exports;                  // in table order
    std::map<std::string, std::set<std::string>> imports;  // lower-case DLL name -> functions
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

PeImage ReadPeImage(const std::string& path) {
    PeImage image;
    const std::string dump = CommandOutput("objdump -p '" + path + "' 2>&1");
    const std::regex formatLine(R"(file format (\S+))");
    const std::regex exportLine(R"(^\t\[\s*\d+\] (\S+)$)");
    const std::regex dllLine(R"(^\tDLL Name: (\S+)$)");
    const std::regex importLine(R"(^\t[0-9a-f]+\s+\d+\s+(\S+)$)");

    enum class Section { None, Exports, Imports } section = Section::None;
    std::string dll;
    size_t start = 0;
    while (start < dump.size()) {
        size_t end = dump.find('\n', start);
        if (end == std::string::npos) end = dump.size();
        const std::string line = dump.substr(start, end - start);
        start = end + 1;
        std::smatch m;
        if (image.format.empty() && std::regex_search(line, m, formatLine)) image.format = m[1];
        if (line.find("[Ordinal/Name Pointer] Table") != std::string::npos) {
            section = Section::Exports;
        } else if (std::regex_match(line, m, dllLine)) {
            section = Section::Imports;
            dll = Lower(m[1]);
            image.imports[dll];
        } else if (line.empty()) {
            section = Section::None;
        } else if (section == Section::Exports && std::regex_match(line, m, exportLine)) {
            image.exports.push_back(m[1]);
        } else if (section == Section::Imports && std::regex_match(line, m, importLine)) {
            image.imports[dll].insert(m[1]);
        }
    }
    return image;
}

struct Architecture {
    const char* name;
    const char* folderVariable;
    const char* format;
    const char* scanName;
    const char* sharpenedName;
};

const Architecture kArchitectures[] = {
    {"win32", "KAF_WIN32_DIR", "pei-i386",
     "?ScanLineSubPixelPrecision@@YAXPAUtagBITMAPINFOHEADER@@PAUTRectangularRegion@ka_iproc@@UTLine@3@HIHP6GEIMMI@Z@Z",
     "?ScanLineSubPixelPrecisionWithSharpening@@YAXPAUtagBITMAPINFOHEADER@@PAUTRectangularRegion@ka_iproc@@UTLine@3@"
     "HIHP6GEIMMI@Z@Z"},
    {"win64", "KAF_WIN64_DIR", "pei-x86-64",
     "?ScanLineSubPixelPrecision@@YAXPEAUtagBITMAPINFOHEADER@@PEAUTRectangularRegion@ka_iproc@@UTLine@3@HIHP6AEIMMI@Z@"
     "Z",
     "?ScanLineSubPixelPrecisionWithSharpening@@YAXPEAUtagBITMAPINFOHEADER@@PEAUTRectangularRegion@ka_iproc@@UTLine@3@"
     "HIHP6AEIMMI@Z@Z"},
};

// The host library's functions: all that the module may import from it.
const std::set<std::string> kHostFunctions = {
    "GetParameterName", "GetInputFrame",   "GetInputFrameTimestamp", "GetOutputFrame",   "GetNumber",
    "GetObjectMaxIndex", "AddWarning",     "GetFrameWidth",          "GetFrameDepth",    "GetFrameBPP",
    "GetFrameDataAddr", "GetFrameSize",    "InitFrameDIB",           "GetResourceIconAddress", "DoneIcon",
    "RoundReal",        "PixelInRectangularRegion",
};

// Windows' own DLLs that the module and its statically linked runtimes use.
const std::set<std::string> kSystemDlls = {"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll"};

class PeImageTest : public ::testing::TestWithParam<Architecture> {
protected:
    void SetUp() override {
        const char* folder = std::getenv(GetParam().folderVariable);
        if (!folder) GTEST_SKIP() << GetParam().folderVariable << " not set (make wine-test sets it)";
        if (!HaveProgram("objdump")) GTEST_SKIP() << "objdump not installed";
        folder_ = folder;
        ASSERT_TRUE(std::filesystem::exists(folder_ + "/kafilters.dll")) << folder_;
        module_ = ReadPeImage(folder_ + "/kafilters.dll");
    }
    std::string folder_;
    PeImage module_;
};

TEST_P(PeImageTest, IsAnImageOfItsArchitecture) { EXPECT_EQ(module_.format, GetParam().format); }

TEST_P(PeImageTest, ExportsExactlyTheEntryPointsAndTheDecoratedScanners) {
    const std::set<std::string> expected = {
        "Init",       "Done",      "EnumerateMethods", "EnumerateMethodsCategories", "EnumerateMethodInputs",
        "EnumerateMethodOutputs",  "InitMethod",       "DoneMethod",
        "RunMethod",  GetParam().scanName, GetParam().sharpenedName,
    };
    EXPECT_EQ(module_.exports.size(), 11u);
    EXPECT_EQ(std::set<std::string>(module_.exports.begin(), module_.exports.end()), expected);
}

TEST_P(PeImageTest, ImportsOnlySystemDllsAndTheHostLibrary) {
    ASSERT_EQ(module_.imports.count("ka_iproc.dll"), 1u);
    for (const auto& [dll, functions] : module_.imports) {
        if (dll == "ka_iproc.dll") {
            for (const std::string& function : functions) EXPECT_EQ(kHostFunctions.count(function), 1u) << function;
        } else {
            EXPECT_EQ(kSystemDlls.count(dll), 1u) << "imports from " << dll;
        }
    }
    // The host library itself exports every host function under its plain name.
    const PeImage host = ReadPeImage(folder_ + "/ka_iproc.dll");
    const std::set<std::string> hostExports(host.exports.begin(), host.exports.end());
    for (const std::string& function : kHostFunctions) EXPECT_EQ(hostExports.count(function), 1u) << function;
}

INSTANTIATE_TEST_SUITE_P(Dll, PeImageTest, ::testing::ValuesIn(kArchitectures),
                         [](const ::testing::TestParamInfo<Architecture>& info) { return info.param.name; });

}  // namespace
