// Icon resources: the real module's icons through its instance handle.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include "host_api.h"
#include "ka_iproc_internal.h"
#include "test_host.h"

namespace {

using ka_iproc::IconImage;

// The enumeration and lifecycle tests meet the icons through the exports;
// here the directory ends and the instance handle itself.
TEST(Icons, TheModulesIconsThroughItsInstanceHandle) {
    kaf_test::Module();
    void* instance = dlopen(KAF_MODULE_PATH, RTLD_LAZY | RTLD_NOLOAD);
    ASSERT_NE(instance, nullptr);
    for (int32_t id : {1001, 1023}) {
        IconAddress icon = GetResourceIconAddress(instance, id);
        IconImage image;
        ASSERT_TRUE(ka_iproc::DescribeIcon(icon, &image)) << id;
        EXPECT_EQ(image.resourceId, id);
        DoneIcon(&icon);
    }
    EXPECT_EQ(GetResourceIconAddress(instance, 1000), nullptr);
    EXPECT_EQ(GetResourceIconAddress(instance, 1024), nullptr);
    EXPECT_EQ(GetResourceIconAddress(nullptr, 1001), nullptr);
    dlclose(instance);
}

}  // namespace
