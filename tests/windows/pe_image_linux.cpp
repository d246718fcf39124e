// The cross-built DLLs as a Windows loader sees them, read with objdump -p:
// the export table (exactly the nine entry points and the two decorated
// scanners), the imports (Windows system DLLs and the host library only, so
// no compiler runtime has to be shipped beside the module) and the machine
// type. The icons and the version record are the Wine test's and the frame
// bytes test's. `make wine-test` runs these with KAF_WIN32_DIR and
// KAF_WIN64_DIR naming the two build folders; without them the tests are
// skipped.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// What objdump -p tells about one image.
struct PeImage {
    std::string format;                                    // "pei-i386" or "pei-x86-64"
    std::vector<std::string> exports;                      // in table order
    std::map<std::string, std::set<std::string>> imports;  // lower-case DLL name -> functions
};

PeImage ReadPeImage(const std::string& path) {
    std::string dump;
    if (FILE* pipe = popen(("objdump -p '" + path + "' 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) dump.append(buffer, n);
        pclose(pipe);
    }
    const std::regex formatLine(R"(file format (\S+))"), exportLine(R"(^\t\[\s*\d+\] (\S+)$)"),
        dllLine(R"(^\tDLL Name: (\S+)$)"), importLine(R"(^\t[0-9a-f]+\s+\d+\s+(\S+)$)");
    PeImage image;
    enum class Section { None, Exports, Imports } section = Section::None;
    std::string dll;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (image.format.empty() && std::regex_search(line, m, formatLine)) image.format = m[1];
        if (line.find("[Ordinal/Name Pointer] Table") != std::string::npos) {
            section = Section::Exports;
        } else if (std::regex_match(line, m, dllLine)) {
            section = Section::Imports;
            dll = m[1];
            std::transform(dll.begin(), dll.end(), dll.begin(), [](unsigned char c) { return char(std::tolower(c)); });
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
    bool is64;
};

const Architecture kArchitectures[] = {{"win32", "KAF_WIN32_DIR", "pei-i386", false},
                                       {"win64", "KAF_WIN64_DIR", "pei-x86-64", true}};

// A scanner's decorated name: pointers are "PA" on win32 and "PEA" on
// win64, the callback __stdcall ("G") on win32 and __cdecl ("A") on win64.
std::string Decorated(const std::string& scanner, bool is64) {
    const std::string pointer = is64 ? "PEA" : "PA";
    return "?" + scanner + "@@YAX" + pointer + "UtagBITMAPINFOHEADER@@" + pointer +
           "UTRectangularRegion@ka_iproc@@UTLine@3@HIHP6" + (is64 ? "A" : "G") + "EIMMI@Z@Z";
}

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
        if (std::system("command -v objdump >/dev/null 2>&1") != 0) GTEST_SKIP() << "objdump not installed";
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
        "Init", "Done", "EnumerateMethods", "EnumerateMethodsCategories", "EnumerateMethodInputs",
        "EnumerateMethodOutputs", "InitMethod", "DoneMethod", "RunMethod",
        Decorated("ScanLineSubPixelPrecision", GetParam().is64),
        Decorated("ScanLineSubPixelPrecisionWithSharpening", GetParam().is64),
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
