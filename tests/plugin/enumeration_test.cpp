// The enumeration exports as a host sees them: exact texts, codes, what is
// written first, bounded copies and out-of-range indices.
#include <gtest/gtest.h>

#include <string>

#include "plugin/catalogue.h"
#include "test_host.h"

using kaf_test::Module;

namespace {

constexpr char16_t kSentinel = u'#';

struct MethodText {
    const char16_t* name;
    const char16_t* description;
    const char16_t* group;
    int32_t code;
};

// The catalogue as users see it, written out independently of the table.
const MethodText kExpected[20] = {
    {u"blur", u"Convolve image with specified pass-through ratio", u"Convolution filters", 33},
    {u"gaussian", u"Convolve image with Gaussian kernel", u"Convolution filters", 33},
    {u"laplacian_high_boost_1", u"Convolve image with 1st type of Laplacian high-boost kernel", u"Convolution filters", 33},
    {u"laplacian_high_boost_2", u"Convolve image with 2nd type of Laplacian high-boost kernel", u"Convolution filters", 33},
    {u"laplacian_high_boost_3", u"Convolve image with 3rd type of Laplacian high-boost kernel", u"Convolution filters", 33},
    {u"mean", u"Convolve image with boxcar kernel", u"Morphologic filters", 34},
    {u"median", u"Changing each pixel with neighbourhood median", u"Morphologic filters", 34},
    {u"minimum", u"Changing each pixel with neighbourhood minimum", u"Morphologic filters", 34},
    {u"maximum", u"Changing each pixel with neighbourhood maximum", u"Morphologic filters", 34},
    {u"extreme", u"Changing each pixel with neighbourhood minimum/maximum (depending which is further)", u"Morphologic filters", 34},
    {u"skeletonization", u"Skeletonization of image; resulting image is always monochromatic", u"Morphologic filters", 34},
    {u"edge", u"Enhancing edges; resulting image is always monochromatic", u"Morphologic filters", 34},
    {u"dilation", u"Dilation of image; resulting image is always monochromatic", u"Morphologic filters", 34},
    {u"erosion", u"Erosion of image; resulting image is always monochromatic", u"Morphologic filters", 34},
    {u"opening", u"Opening of image; resulting image is always monochromatic", u"Morphologic filters", 34},
    {u"closing", u"Closing of image; resulting image is always monochromatic", u"Morphologic filters", 34},
    {u"kernel_3x3", u"Convolve image with user-defined 3x3 kernel", u"Convolution filters", 33},
    {u"kernel_5x5", u"Convolve image with user-defined 5x5 kernel", u"Convolution filters", 33},
    {u"kernel", u"Convolve image with user-defined kernel", u"Convolution filters", 33},
    {u"flat_field", u"Frame calibration using white pattern", u"Color filters", 35},
};

std::u16string Text(const char16_t* buffer) { return std::u16string(buffer); }

}  // namespace

TEST(EnumerateMethods, ReportsEveryMethodExactly) {
    auto& m = Module();
    for (uint32_t i = 0; i < 20; ++i) {
        char16_t name[256], desc[256];
        IconAddress icon = nullptr;
        int32_t reserved = 7;
        ASSERT_EQ(m.EnumerateMethods(i, 255, name, 255, desc, &icon, &reserved), 1) << i;
        EXPECT_EQ(Text(name), kExpected[i].name);
        EXPECT_EQ(Text(desc), kExpected[i].description);
        EXPECT_EQ(reserved, 0);
        EXPECT_NE(icon, nullptr) << "Init has run, every method has an icon";
    }
}

TEST(EnumerateMethodsCategories, LevelOneFollowsTheGroup) {
    auto& m = Module();
    for (uint32_t i = 0; i < 20; ++i) {
        char16_t name[64];
        int32_t code = 0;
        IconAddress icon = &code;  // must stay for the colour group
        ASSERT_EQ(m.EnumerateMethodsCategories(i, 0, 1, 63, name, &code, &icon), 1);
        EXPECT_EQ(Text(name), kExpected[i].group) << i;
        EXPECT_EQ(code, kExpected[i].code);
        if (code == 35) {
            EXPECT_EQ(icon, static_cast<IconAddress>(&code));
        } else {
            ka_iproc::IconImage image;
            ASSERT_TRUE(ka_iproc::DescribeIcon(icon, &image));
            EXPECT_EQ(image.resourceId, code == 33 ? 1021 : 1022);
        }
    }
}

TEST(EnumerateMethodInputs, ReportsTypesNamesAndDescriptors) {
    auto& m = Module();
    char16_t name[64], desc[64];
    int32_t type = 0;
    ASSERT_EQ(m.EnumerateMethodInputs(11, 1, &type, 63, desc, 63, name), 1);
    EXPECT_EQ(type, 10);
    EXPECT_EQ(Text(name), u"Standard deviation");
    EXPECT_EQ(Text(desc), u"");
    ASSERT_EQ(m.EnumerateMethodInputs(19, 1, &type, 63, desc, 63, name), 1);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(Text(name), u"White calibration frame");
    ASSERT_EQ(m.EnumerateMethodInputs(0, 2, &type, 63, desc, 63, name), 1);
    EXPECT_EQ(Text(name), u"Pass-through rating");
    EXPECT_EQ(Text(desc), u"EditType=Slider;Min=0;Max=1;Default=0.5");
    ASSERT_EQ(m.EnumerateMethodInputs(14, 1, &type, 63, desc, 63, name), 1);
    EXPECT_EQ(Text(desc), u"Default=1;Min=1;Max=20");
    for (uint32_t i = 0; i < 20; ++i) {
        ASSERT_EQ(m.EnumerateMethodInputs(i, 0, &type, 63, desc, 63, name), 1);
        EXPECT_EQ(type, 1);
        EXPECT_EQ(Text(name), u"Input frame");
        EXPECT_EQ(Text(desc), u"");
    }
}

namespace {

// The number a descriptor gives for a key ("Default", "Min", "Max"), if any.
bool DescriptorValue(const char16_t* descriptor, const std::u16string& key, double* value) {
    if (!descriptor) return false;
    const std::u16string text = descriptor;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(u';', start);
        if (end == std::u16string::npos) end = text.size();
        const std::u16string field = text.substr(start, end - start);
        if (field.rfind(key + u"=", 0) == 0) {
            *value = std::stod(kaf_test::Narrow(field.substr(key.size() + 1)));
            return true;
        }
        start = end + 1;
    }
    return false;
}

// The declarations the run frame reads agree with what the descriptor texts
// show the user: the default, and every limit a text gives.
TEST(Catalogue, DeclaredDefaultsAndLimitsAgreeWithTheDescriptors) {
    for (const CatalogueRow& row : kCatalogue) {
        for (int32_t k = 0; k < row.inputCount; ++k) {
            const CatalogueInput& input = row.inputs[k];
            const std::string where = kaf_test::Narrow(row.name) + " input " + std::to_string(k);
            EXPECT_EQ(input.kind == InputKind::Frame, input.Type() == ParamTypeFrame) << where;
            EXPECT_TRUE(input.defaultValue >= input.minimum && input.defaultValue <= input.maximum) << where;
            double value = 0;
            if (DescriptorValue(input.descriptor, u"Default", &value)) {
                EXPECT_EQ(value, input.defaultValue) << where;
            }
            if (DescriptorValue(input.descriptor, u"Min", &value)) {
                EXPECT_EQ(value, input.minimum) << where;
            }
            if (DescriptorValue(input.descriptor, u"Max", &value)) {
                EXPECT_EQ(value, input.maximum) << where;
            }
        }
    }
}

}  // namespace
