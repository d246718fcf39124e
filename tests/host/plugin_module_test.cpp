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

TEST(PluginModule, BindsEveryExportIncludingTheScanners) {
    ka_iproc::PluginModule& module = kaf_test::Module();
    EXPECT_NE(module.Init, nullptr);
    EXPECT_NE(module.Done, nullptr);
    EXPECT_NE(module.RunMethod, nullptr);
    EXPECT_NE(module.ScanLineSubPixelPrecision, nullptr);
    EXPECT_NE(module.ScanLineSubPixelPrecisionWithSharpening, nullptr);
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

TEST(MethodInstance, AnIndexBeyondTheCatalogueRunsNothing) {
    ka_iproc::MethodInstance instance(kaf_test::Module(), 20);
    EXPECT_EQ(instance.Handle(), InvalidMethodHandle);
    ka_iproc::Session session;
    ka_iproc::ParameterList inputs({u"Input frame"});
    ka_iproc::ParameterList outputs({u"Output frame"});
    std::u16string error = u"stale";
    EXPECT_FALSE(instance.Run(session, inputs, outputs, &error));
    EXPECT_EQ(error, u"");
}

TEST(TestHost, WiresEveryCatalogueInputAndTheOutput) {
    kaf_test::TestHost host(u"minimum");
    EXPECT_EQ(host.Inputs().Names(),
              (std::vector<std::u16string>{u"Input frame", u"Neighbourhood radius", u"Intensity"}));
    EXPECT_EQ(host.Outputs().Names(), std::vector<std::u16string>{u"Output frame"});

    // Warnings of earlier runs (or of the host itself) are not this run's.
    AddWarning(host.Session().Handle(), 255, u"old");
    const kaf_test::Outcome outcome = host.Run();
    EXPECT_TRUE(outcome.warnings.empty());
}

TEST(TestHost, FrameHelpersSkipRowPadding) {
    ka_iproc::Session session;
    FrameHandle frame = session.AddFrame(u"f", 3, 2, 24);  // rows of 9 bytes in a stride of 12
    kaf_test::FillFrame(frame, [](int32_t x, int32_t y, int32_t b) { return uint8_t(100 * y + 10 * x + b); });
    EXPECT_EQ(kaf_test::PixelBytes(frame),
              (std::vector<uint8_t>{0, 1, 2, 10, 11, 12, 20, 21, 22, 100, 101, 102, 110, 111, 112, 120, 121, 122}));
    EXPECT_EQ(*kaf_test::PixelAt(frame, 2, 1), 120);
    EXPECT_EQ(ka_iproc::FramePixels(frame)[9], 0);  // padding untouched

    FrameHandle again = session.AddFrame(u"g", 3, 2, 24);
    kaf_test::FillRandom(frame, 5);
    kaf_test::FillRandom(again, 5);
    EXPECT_EQ(kaf_test::PixelBytes(frame), kaf_test::PixelBytes(again));
}

}  // namespace
