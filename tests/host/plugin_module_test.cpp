// Loading a module at run time and reading its catalogue through the
// enumeration exports, as a host does.
#include <gtest/gtest.h>

#include "host_api.h"
#include "test_host.h"

namespace {

TEST(PluginModule, CatalogueAsTheEnumerationsReportIt) {
    const auto& catalogue = kaf_test::Catalogue();
    ASSERT_EQ(catalogue.size(), 20u);
    for (uint32_t i = 0; i < catalogue.size(); ++i) EXPECT_EQ(catalogue[i].index, i);

    // Inputs land in the right fields; the exact texts are the enumeration test's.
    ASSERT_EQ(catalogue[0].inputs.size(), 3u);
    EXPECT_EQ(catalogue[0].inputs[2].type, ParamTypeNumber);
    EXPECT_EQ(catalogue[0].inputs[2].descriptor, u"EditType=Slider;Min=0;Max=1;Default=0.5");
    EXPECT_EQ(catalogue[19].group, u"Color filters");

    ka_iproc::PluginModule& module = kaf_test::Module();
    EXPECT_EQ(module.FindMethod(u"flat_field"), 19);
    EXPECT_EQ(module.FindMethod(u"mean"), 5);
    EXPECT_EQ(module.FindMethod(u"Mean"), -1);
    EXPECT_EQ(module.FindMethod(u""), -1);
}

}  // namespace
