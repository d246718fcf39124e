// Method handles, and the icon table across Init and Done and through the
// module's instance handle.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "test_host.h"

using kaf_test::Module;

TEST(MethodHandles, OutOfRangeIndexGivesInvalidHandle) {
    auto& m = Module();
    EXPECT_EQ(m.InitMethod(20), InvalidMethodHandle);
    EXPECT_EQ(m.InitMethod(0xFFFFFFFFu), InvalidMethodHandle);
    char16_t error[16] = {u'#'};
    EXPECT_EQ(m.RunMethod(InvalidMethodHandle, nullptr, nullptr, nullptr, nullptr, nullptr, 15, error), 0);
    EXPECT_EQ(m.RunMethod(0, nullptr, nullptr, nullptr, nullptr, nullptr, 15, error), 0);
    EXPECT_EQ(error[0], u'#');
    m.DoneMethod(InvalidMethodHandle);  // does nothing
    m.DoneMethod(0);
}

// A second copy of the module gives a fresh icon table: null before Init,
// the resources after it, null again after Done.
TEST(Icons, NullBeforeInitAndAfterDone) {
    namespace fs = std::filesystem;
    const fs::path copy = fs::temp_directory_path() / ("kafilters-icons-" + std::to_string(::getpid()) + ".so");
    fs::copy_file(KAF_MODULE_PATH, copy, fs::copy_options::overwrite_existing);
    std::string message;
    auto module = ka_iproc::PluginModule::Load(copy.string(), &message);
    ASSERT_TRUE(module) << message;

    auto iconOf = [&](uint32_t method) {
        IconAddress icon = nullptr;
        int32_t reserved;
        char16_t name[64], desc[128];
        EXPECT_EQ(module->EnumerateMethods(method, 63, name, 127, desc, &icon, &reserved), 1);
        return icon;
    };
    // Resource id, width, height and depth of an icon.
    auto describe = [](IconAddress icon) {
        ka_iproc::IconImage image{};
        EXPECT_TRUE(ka_iproc::DescribeIcon(icon, &image));
        return std::vector<int64_t>{image.resourceId, image.width, image.height, image.bitsPerPixel};
    };
    EXPECT_EQ(iconOf(0), nullptr);
    module->Init();
    EXPECT_EQ(describe(iconOf(0)), (std::vector<int64_t>{1003, 40, 40, 32}));
    EXPECT_EQ(describe(iconOf(19)), (std::vector<int64_t>{1023, 40, 40, 24}));
    IconAddress root = nullptr;
    int32_t code;
    char16_t name[64];
    module->EnumerateMethodsCategories(0, 0, 0, 63, name, &code, &root);
    EXPECT_EQ(describe(root), (std::vector<int64_t>{1001, 20, 20, 32}));

    // The resources by id through the instance handle: 1001 to 1023.
    void* instance = dlopen(copy.string().c_str(), RTLD_LAZY | RTLD_NOLOAD);
    ASSERT_NE(instance, nullptr);
    for (int32_t id : {1001, 1023}) {
        IconAddress icon = GetResourceIconAddress(instance, id);
        EXPECT_EQ(describe(icon)[0], id);
        DoneIcon(&icon);
    }
    EXPECT_EQ(GetResourceIconAddress(instance, 1000), nullptr);
    EXPECT_EQ(GetResourceIconAddress(instance, 1024), nullptr);
    EXPECT_EQ(GetResourceIconAddress(nullptr, 1001), nullptr);
    dlclose(instance);

    module->Done();
    EXPECT_EQ(iconOf(0), nullptr);
    module.reset();
    fs::remove(copy);
}
