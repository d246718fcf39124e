// The cross-built DLLs as a Windows loader sees them, read with objdump -p:
// the export table (exactly the nine entry points and the two decorated
// scanners), the imports (Windows system DLLs and the host library only, so
// no compiler runtime has to be shipped beside the module), the icon and
// version resources, and the machine type. `make wine-test` runs these with
// KAF_WIN32_DIR and KAF_WIN64_DIR naming the two build folders; without them
// the tests are skipped.
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
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> resources;  // (type, id) -> size in bytes
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
    // Resource tree: entries indented by 3 (type), 5 (id) and 7 (language)
    // spaces after their offset, then the leaf with the data's size.
    const std::regex entryLine(R"(^[0-9a-f]+( +)Entry: ID: 0x([0-9a-f]+),)");
    const std::regex leafLine(R"(Leaf: Addr: 0x[0-9a-f]+, Size: 0x([0-9a-f]+),)");

    enum class Section { None, Exports, Imports, Resources } section = Section::None;
    std::string dll;
    uint32_t type = 0;
    uint32_t id = 0;
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
        } else if (line.find("The .rsrc Resource Directory section") != std::string::npos) {
            section = Section::Resources;
        } else if (line.empty() && section != Section::Resources) {
            section = Section::None;
        } else if (section == Section::Exports && std::regex_match(line, m, exportLine)) {
            image.exports.push_back(m[1]);
        } else if (section == Section::Imports && std::regex_match(line, m, importLine)) {
            image.imports[dll].insert(m[1]);
        } else if (section == Section::Resources && std::regex_search(line, m, entryLine)) {
            const uint32_t value = static_cast<uint32_t>(std::stoul(m[2], nullptr, 16));
            if (m[1].length() == 3) type = value;
            if (m[1].length() == 5) id = value;
        } else if (section == Section::Resources && std::regex_search(line, m, leafLine)) {
            image.resources[{type, id}] = static_cast<uint32_t>(std::stoul(m[1], nullptr, 16));
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
    const char* callbackConvention;  // as llvm-undname spells the callback's
};

const Architecture kArchitectures[] = {
    {"win32", "KAF_WIN32_DIR", "pei-i386",
     "?ScanLineSubPixelPrecision@@YAXPAUtagBITMAPINFOHEADER@@PAUTRectangularRegion@ka_iproc@@UTLine@3@HIHP6GEIMMI@Z@Z",
     "?ScanLineSubPixelPrecisionWithSharpening@@YAXPAUtagBITMAPINFOHEADER@@PAUTRectangularRegion@ka_iproc@@UTLine@3@"
     "HIHP6GEIMMI@Z@Z",
     "__stdcall"},
    {"win64", "KAF_WIN64_DIR", "pei-x86-64",
     "?ScanLineSubPixelPrecision@@YAXPEAUtagBITMAPINFOHEADER@@PEAUTRectangularRegion@ka_iproc@@UTLine@3@HIHP6AEIMMI@Z@"
     "Z",
     "?ScanLineSubPixelPrecisionWithSharpening@@YAXPEAUtagBITMAPINFOHEADER@@PEAUTRectangularRegion@ka_iproc@@UTLine@3@"
     "HIHP6AEIMMI@Z@Z",
     "__cdecl"},
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

TEST_P(PeImageTest, DecoratedNamesSpellTheScannerSignatures) {
    if (!HaveProgram("llvm-undname")) GTEST_SKIP() << "llvm-undname not installed";
    const std::string arguments = std::string("(struct tagBITMAPINFOHEADER *, struct ka_iproc::TRectangularRegion *, "
                                              "struct ka_iproc::TLine, int, unsigned int, int, unsigned char (") +
                                  GetParam().callbackConvention + " *)(unsigned int, float, float, unsigned int))";
    for (const std::string& name : {std::string(GetParam().scanName), std::string(GetParam().sharpenedName)}) {
        const std::string plain = name.substr(1, name.find('@') - 1);
        const std::string demangled = CommandOutput("llvm-undname '" + name + "'");
        EXPECT_NE(demangled.find("\nvoid __cdecl " + plain + arguments + "\n"), std::string::npos) << demangled;
    }
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

TEST_P(PeImageTest, CarriesTheIconsAndAVersionRecord) {
    constexpr uint32_t kIconType = 4192;
    constexpr uint32_t kVersionType = 16;
    size_t icons = 0;
    for (const auto& [key, size] : module_.resources) {
        if (key.first == kVersionType) continue;
        ASSERT_EQ(key.first, kIconType) << "resource type " << key.first;
        ++icons;
        std::string file = std::string(KAF_SOURCE_DIR) + "/resources/icons/" + std::to_string(key.second);
        file += std::filesystem::exists(file + ".bmp") ? ".bmp" : ".kai";
        ASSERT_TRUE(std::filesystem::exists(file)) << "no icon file for resource " << key.second;
        EXPECT_EQ(size, std::filesystem::file_size(file)) << file;
    }
    EXPECT_EQ(icons, 23u);
    for (uint32_t id = 1001; id <= 1023; ++id) EXPECT_EQ(module_.resources.count({kIconType, id}), 1u) << id;
    EXPECT_EQ(module_.resources.count({kVersionType, 1}), 1u);
}

INSTANTIATE_TEST_SUITE_P(Dll, PeImageTest, ::testing::ValuesIn(kArchitectures),
                         [](const ::testing::TestParamInfo<Architecture>& info) { return info.param.name; });

}  // namespace
