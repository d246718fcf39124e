// The enumeration exports as a host sees them: exact texts, codes, icons and
// out-of-range indices; the catalogue a loading host reads through them; and
// the declared limits against the descriptor texts.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "plugin/catalogue.h"
#include "test_host.h"

using kaf_test::Module;

// Every method is reported with its icon and a zeroed reserved field; level one
// gives the group, whose code picks the group icon (the colour group has none
// and leaves the icon argument alone).
TEST(EnumerateMethods, ReportsEveryMethodWithItsGroupAndIcon) {
    auto& m = Module();
    for (uint32_t i = 0; i < 20; ++i) {
        char16_t name[256], desc[256], group[64];
        IconAddress icon = nullptr;
        int32_t reserved = 7;
        ASSERT_EQ(m.EnumerateMethods(i, 255, name, 255, desc, &icon, &reserved), 1) << i;
        EXPECT_EQ(reserved, 0);
        EXPECT_NE(icon, nullptr) << "Init has run, every method has an icon";
        int32_t code = 0;
        icon = &code;
        ASSERT_EQ(m.EnumerateMethodsCategories(i, 0, 1, 63, group, &code, &icon), 1);
        EXPECT_EQ(std::u16string(group), code == 33 ? u"Convolution filters" : code == 34 ? u"Morphologic filters"
                                                                            : u"Color filters") << i;
        if (code == 35) {
            EXPECT_EQ(icon, static_cast<IconAddress>(&code));
        } else {
            ka_iproc::IconImage image;
            ASSERT_TRUE(ka_iproc::DescribeIcon(icon, &image));
            EXPECT_EQ(image.resourceId, code == 33 ? 1021 : 1022);
        }
        if (i == 9) {
            EXPECT_EQ(std::u16string(name), u"extreme");
            EXPECT_EQ(std::u16string(desc), u"Changing each pixel with neighbourhood minimum/maximum (depending which is further)");
            EXPECT_EQ(code, 34);
        }
    }
}

TEST(EnumerateMethodInputs, ReportsTypesNamesAndDescriptors) {
    // The catalogue as a loading host reads it from the exports.
    const auto& catalogue = kaf_test::Catalogue();
    ASSERT_EQ(catalogue.size(), 20u);
    for (uint32_t i = 0; i < catalogue.size(); ++i) EXPECT_EQ(catalogue[i].index, i);
    ASSERT_EQ(catalogue[0].inputs.size(), 3u);
    EXPECT_EQ(catalogue[0].inputs[2].type, ParamTypeNumber);
    EXPECT_EQ(catalogue[0].inputs[2].descriptor, u"EditType=Slider;Min=0;Max=1;Default=0.5");
    EXPECT_EQ(catalogue[19].group, u"Color filters");
    EXPECT_EQ(Module().FindMethod(u"flat_field"), 19);
    EXPECT_EQ(Module().FindMethod(u"mean"), 5);
    EXPECT_EQ(Module().FindMethod(u"Mean"), -1);
    EXPECT_EQ(Module().FindMethod(u""), -1);

    auto& m = Module();
    char16_t name[64], desc[64];
    int32_t type = 0;
    ASSERT_EQ(m.EnumerateMethodInputs(11, 1, &type, 63, desc, 63, name), 1);
    EXPECT_EQ(type, 10);
    EXPECT_EQ(std::u16string(name), u"Standard deviation");
    EXPECT_EQ(std::u16string(desc), u"");
    ASSERT_EQ(m.EnumerateMethodInputs(19, 1, &type, 63, desc, 63, name), 1);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(std::u16string(name), u"White calibration frame");
    ASSERT_EQ(m.EnumerateMethodInputs(0, 2, &type, 63, desc, 63, name), 1);
    EXPECT_EQ(std::u16string(name), u"Pass-through rating");
    EXPECT_EQ(std::u16string(desc), u"EditType=Slider;Min=0;Max=1;Default=0.5");
    ASSERT_EQ(m.EnumerateMethodInputs(14, 1, &type, 63, desc, 63, name), 1);
    EXPECT_EQ(std::u16string(desc), u"Default=1;Min=1;Max=20");
}

namespace {

// The declarations the run frame reads agree with what the descriptor texts
// show the user: the default, and every limit a text gives.
TEST(Catalogue, DeclaredDefaultsAndLimitsAgreeWithTheDescriptors) {
    for (const CatalogueRow& row : kCatalogue) {
        for (int32_t k = 0; k < row.inputCount; ++k) {
            const CatalogueInput& input = row.inputs[k];
            const std::string where = kaf_test::Narrow(row.name) + " input " + std::to_string(k);
            EXPECT_EQ(input.kind == InputKind::Frame, input.Type() == ParamTypeFrame) << where;
            EXPECT_TRUE(input.defaultValue >= input.minimum && input.defaultValue <= input.maximum) << where;
            // Each "Key=number" of the descriptor against the declaration.
            const std::string descriptor = input.descriptor ? kaf_test::Narrow(input.descriptor) : "";
            const std::regex field("(?:^|;)(Default|Min|Max)=([^;]+)");
            for (std::sregex_iterator it(descriptor.begin(), descriptor.end(), field), end; it != end; ++it) {
                const double declared = (*it)[1] == "Default" ? input.defaultValue
                                        : (*it)[1] == "Min"   ? input.minimum
                                                              : input.maximum;
                EXPECT_EQ(std::stod((*it)[2]), declared) << where << " " << (*it)[1];
            }
        }
    }
}

}  // namespace
