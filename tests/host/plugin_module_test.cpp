// Loading a module at run time and reading its catalogue through the
// enumeration exports, as a host does.
#include <gtest/gtest.h>

#include "host_api.h"
#include "test_host.h"

namespace {

std::string BuildFolder() {
    const std::string module = KAF_MODULE_PATH;
    return module.substr(0, module.find_last_of('/'));
}

TEST(PluginModule, LoadFailuresSayWhy) {
    std::string error;
    EXPECT_EQ(ka_iproc::PluginModule::Load(BuildFolder() + "/no_such_module.so", &error), nullptr);
    EXPECT_NE(error.find("no_such_module.so"), std::string::npos) << error;

    // A library that is not a plug-in module: the host library itself.
    error.clear();
    EXPECT_EQ(ka_iproc::PluginModule::Load(BuildFolder() + "/libka_iproc.so", &error), nullptr);
    EXPECT_NE(error.find("does not export Init"), std::string::npos) << error;
}

TEST(PluginModule, CatalogueAsTheEnumerationsReportIt) {
    const auto& catalogue = kaf_test::Catalogue();
    ASSERT_EQ(catalogue.size(), 20u);
    for (uint32_t i = 0; i < catalogue.size(); ++i) EXPECT_EQ(catalogue[i].index, i);

    const auto& blur = catalogue[0];
    EXPECT_EQ(blur.name, u"blur");
    EXPECT_EQ(blur.description, u"Convolve image with specified pass-through ratio");
    EXPECT_EQ(blur.group, u"Convolution filters");
    ASSERT_EQ(blur.inputs.size(), 3u);
    EXPECT_EQ(blur.inputs[0].type, ParamTypeFrame);
    EXPECT_EQ(blur.inputs[0].name, u"Input frame");
    EXPECT_EQ(blur.inputs[0].descriptor, u"");
    EXPECT_EQ(blur.inputs[2].type, ParamTypeNumber);
    EXPECT_EQ(blur.inputs[2].name, u"Pass-through rating");
    EXPECT_EQ(blur.inputs[2].descriptor, u"EditType=Slider;Min=0;Max=1;Default=0.5");

    EXPECT_EQ(catalogue[5].group, u"Morphologic filters");
    EXPECT_EQ(catalogue[19].group, u"Color filters");
    ASSERT_EQ(catalogue[19].inputs.size(), 2u);
    EXPECT_EQ(catalogue[19].inputs[1].type, ParamTypeFrame);
    EXPECT_EQ(catalogue[18].inputs.size(), 4u);

    ka_iproc::PluginModule& module = kaf_test::Module();
    EXPECT_EQ(module.FindMethod(u"flat_field"), 19);
    EXPECT_EQ(module.FindMethod(u"mean"), 5);
    EXPECT_EQ(module.FindMethod(u"Mean"), -1);
    EXPECT_EQ(module.FindMethod(u""), -1);
}

}  // namespace
