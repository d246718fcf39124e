// kafilters.dll as the Windows loader maps it: the exports a host looks up by
// name (plain entry points, decorated scanners, nothing of the Linux build's
// resource directory), the icons as resources of type 4192 with the bytes of
// resources/icons, and the version record.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_host.h"

namespace {

HMODULE LoadedModule() {
    static HMODULE module = LoadLibraryA(KAF_MODULE_PATH);
    return module;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(file);
    }
    return bytes;
}

TEST(ModuleImage, IconsAreResourcesWithTheBytesOfTheIconFiles) {
    HMODULE module = LoadedModule();
    ASSERT_NE(module, nullptr);
    for (int id = 1001; id <= 1023; ++id) {
        const std::string extension = id == 1021 || id == 1022 ? ".kai" : ".bmp";
        const std::vector<uint8_t> expected =
            FileBytes(std::string(KAF_SOURCE_DIR) + "/resources/icons/" + std::to_string(id) + extension);
        ASSERT_FALSE(expected.empty()) << id;
        HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(4192));
        ASSERT_NE(info, nullptr) << id;
        const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, info)));
        ASSERT_NE(bytes, nullptr) << id;
        EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + SizeofResource(module, info)), expected) << id;
    }
    EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(1000), MAKEINTRESOURCEW(4192)), nullptr);
    EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(1024), MAKEINTRESOURCEW(4192)), nullptr);
}

TEST(ModuleImage, VersionRecordNamesTheModule) {
    HMODULE module = LoadedModule();
    ASSERT_NE(module, nullptr);
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));  // RT_VERSION
    ASSERT_NE(info, nullptr);
    const auto* bytes = static_cast<const char16_t*>(LockResource(LoadResource(module, info)));
    const std::u16string text(bytes, SizeofResource(module, info) / sizeof(char16_t));
    EXPECT_NE(text.find(u"kafilters.dll"), std::u16string::npos);
    EXPECT_NE(text.find(u"1.0.0"), std::u16string::npos);
}

}  // namespace
