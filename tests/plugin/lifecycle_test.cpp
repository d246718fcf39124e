// Method handles, and the icon table across Init and Done and through the
// module's instance handle.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

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
    EXPECT_EQ(iconOf(0), nullptr);
    module->Init();
    ka_iproc::IconImage image;
    ASSERT_TRUE(ka_iproc::DescribeIcon(iconOf(0), &image));
    EXPECT_EQ(image.resourceId, 1003);
    EXPECT_EQ(image.width, 40);
    EXPECT_EQ(image.height, 40);
    EXPECT_EQ(image.bitsPerPixel, 32);
    ASSERT_TRUE(ka_iproc::DescribeIcon(iconOf(19), &image));
    EXPECT_EQ(image.resourceId, 1023);
    EXPECT_EQ(image.bitsPerPixel, 24);

    IconAddress root = nullptr;
    int32_t code;
    char16_t name[64];
    module->EnumerateMethodsCategories(0, 0, 0, 63, name, &code, &root);
    ASSERT_TRUE(ka_iproc::DescribeIcon(root, &image));
    EXPECT_EQ(image.width, 20);
    EXPECT_EQ(image.height, 20);

    // The resources by id through the instance handle: 1001 to 1023.
    void* instance = dlopen(copy.string().c_str(), RTLD_LAZY | RTLD_NOLOAD);
    ASSERT_NE(instance, nullptr);
    for (int32_t id : {1001, 1023}) {
        IconAddress icon = GetResourceIconAddress(instance, id);
        ASSERT_TRUE(ka_iproc::DescribeIcon(icon, &image)) << id;
        EXPECT_EQ(image.resourceId, id);
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
