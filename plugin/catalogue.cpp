// The twenty methods: names, descriptions, icons, groups, classes and inputs.
#include "catalogue.h"

#include "convolution/flat_field.h"
#include "convolution/kernel_filters.h"
#include "convolution/smoothing_filters.h"
#include "convolution/user_kernels.h"
#include "edge/edge_filter.h"
#include "kafilters.h"
#include "morphology/skeleton.h"
#include "morphology/threshold_morphology.h"
#include "rank/rank_filters.h"

namespace {

constexpr CatalogueInput Frame(const char16_t* name) {
    return CatalogueInput{InputKind::Frame, name, nullptr, 0.0, -kUnbounded, kUnbounded};
}

constexpr CatalogueInput Integer(const char16_t* name, const char16_t* descriptor, double defaultValue,
                                 double minimum = -kUnbounded, double maximum = kUnbounded) {
    return CatalogueInput{InputKind::Integer, name, descriptor, defaultValue, minimum, maximum};
}

constexpr CatalogueInput Real(const char16_t* name, const char16_t* descriptor, double defaultValue,
                              double minimum = -kUnbounded, double maximum = kUnbounded) {
    return CatalogueInput{InputKind::Real, name, descriptor, defaultValue, minimum, maximum};
}

constexpr CatalogueInput Array(const char16_t* name, const char16_t* descriptor) {
    return CatalogueInput{InputKind::Array, name, descriptor, 0.0, -kUnbounded, kUnbounded};
}

// The descriptor texts are the host's; the limits are the ones the methods
// clamp to, which the texts do not always show (a "Kernel radius" of "blur"
// is at least 1, that of "mean" and "gaussian" at least 0).
constexpr CatalogueInput kInputFrame = Frame(u"Input frame");
constexpr CatalogueInput kBlurRadius = Integer(u"Kernel radius", u"Max=10;Default=1", 1, 1, 10);
constexpr CatalogueInput kSmoothingRadius = Integer(u"Kernel radius", u"Max=10;Default=1", 1, 0, 10);
constexpr CatalogueInput kHighBoost = Real(u"High-boost coefficient", u"Default=0", 0);
constexpr CatalogueInput kMedianRadius = Integer(u"Neighbourhood radius", u"Default=1;Max=10", 1, 1, 10);
constexpr CatalogueInput kExtremeRadius = Integer(u"Neighbourhood radius", u"Default=1;Max=10", 1, 0, 10);
constexpr CatalogueInput kIntensity = Real(u"Intensity", u"Min=0;Max=1;Default=1", 1, 0, 1);
constexpr CatalogueInput kThreshold = Real(u"Threshold", u"EditType=Threshold;Default=0.5", 0.5, 0, 1);
// The skeleton clamps the level derived from the threshold, not the threshold.
constexpr CatalogueInput kSkeletonThreshold = Real(u"Threshold", u"EditType=Threshold;Default=0.5", 0.5);
constexpr CatalogueInput kRepeatUpTo10 = Integer(u"Times to repeat", u"Default=1;Max=10", 1, 1, 10);
constexpr CatalogueInput kRepeatUpTo20 = Integer(u"Times to repeat", u"Default=1;Min=1;Max=20", 1, 1, 20);

constexpr MethodGroup kConv = MethodGroup::Convolution;
constexpr MethodGroup kMorph = MethodGroup::Morphologic;

}  // namespace

const CatalogueRow kCatalogue[kMethodCount] = {
    {u"blur", u"Convolve image with specified pass-through ratio", 1003, kConv, &NewFilter<CBlur>, 3,
     {kInputFrame, kBlurRadius, Real(u"Pass-through rating", u"EditType=Slider;Min=0;Max=1;Default=0.5", 0.5, 0, 1)}},
    {u"gaussian", u"Convolve image with Gaussian kernel", 1004, kConv, &NewFilter<CGaussian>, 2,
     {kInputFrame, kSmoothingRadius}},
    {u"laplacian_high_boost_1", u"Convolve image with 1st type of Laplacian high-boost kernel", 1005, kConv,
     &NewFilter<CLaplacian421>, 2, {kInputFrame, kHighBoost}},
    {u"laplacian_high_boost_2", u"Convolve image with 2nd type of Laplacian high-boost kernel", 1006, kConv,
     &NewFilter<CLaplacian410>, 2, {kInputFrame, kHighBoost}},
    {u"laplacian_high_boost_3", u"Convolve image with 3rd type of Laplacian high-boost kernel", 1007, kConv,
     &NewFilter<CLaplacian811>, 2, {kInputFrame, kHighBoost}},
    {u"mean", u"Convolve image with boxcar kernel", 1002, kMorph, &NewFilter<CMean>, 2,
     {kInputFrame, kSmoothingRadius}},
    {u"median", u"Changing each pixel with neighbourhood median", 1008, kMorph, &NewFilter<CMedian>, 2,
     {kInputFrame, kMedianRadius}},
    {u"minimum", u"Changing each pixel with neighbourhood minimum", 1014, kMorph, &NewFilter<CMinimum>, 3,
     {kInputFrame, kExtremeRadius, kIntensity}},
    {u"maximum", u"Changing each pixel with neighbourhood maximum", 1015, kMorph, &NewFilter<CMaximum>, 3,
     {kInputFrame, kExtremeRadius, kIntensity}},
    {u"extreme", u"Changing each pixel with neighbourhood minimum/maximum (depending which is further)", 1016,
     kMorph, &NewFilter<CExtreme>, 3, {kInputFrame, kExtremeRadius, kIntensity}},
    {u"skeletonization", u"Skeletonization of image; resulting image is always monochromatic", 1013, kMorph,
     &NewFilter<CSkelet>, 3,
     {kInputFrame, Integer(u"Maximum number of iterations", u"Default=20;Max=50", 20, 0, 50), kSkeletonThreshold}},
    {u"edge", u"Enhancing edges; resulting image is always monochromatic", 1017, kMorph, &NewFilter<CEdge>, 3,
     {kInputFrame, Real(u"Standard deviation", nullptr, 1), kThreshold}},
    {u"dilation", u"Dilation of image; resulting image is always monochromatic", 1009, kMorph, &NewFilter<CDilation>, 3,
     {kInputFrame, kRepeatUpTo10, kThreshold}},
    {u"erosion", u"Erosion of image; resulting image is always monochromatic", 1010, kMorph, &NewFilter<CErosion>, 3,
     {kInputFrame, kRepeatUpTo10, kThreshold}},
    {u"opening", u"Opening of image; resulting image is always monochromatic", 1011, kMorph, &NewFilter<COpening>, 3,
     {kInputFrame, kRepeatUpTo20, kThreshold}},
    {u"closing", u"Closing of image; resulting image is always monochromatic", 1012, kMorph, &NewFilter<CClosing>, 3,
     {kInputFrame, kRepeatUpTo20, kThreshold}},
    {u"kernel_3x3", u"Convolve image with user-defined 3x3 kernel", 1018, kConv, &NewFilter<CKernel3x3>, 2,
     {kInputFrame, Array(u"Kernel source", u"Matrix=3,3")}},
    {u"kernel_5x5", u"Convolve image with user-defined 5x5 kernel", 1019, kConv, &NewFilter<CKernel5x5>, 2,
     {kInputFrame, Array(u"Kernel source", u"Matrix=5,5")}},
    {u"kernel", u"Convolve image with user-defined kernel", 1020, kConv, &NewFilter<CKernel>, 4,
     {kInputFrame, Integer(u"Kernel width", nullptr, 0), Integer(u"Kernel height", nullptr, 0),
      Array(u"Kernel source", nullptr)}},
    {u"flat_field", u"Frame calibration using white pattern", 1023, MethodGroup::Color, &NewFilter<CFlatField>, 2,
     {kInputFrame, Frame(u"White calibration frame")}},
};

const CatalogueInput* MethodInputs(int32_t methodIndex) {
    if (methodIndex < 0 || static_cast<uint32_t>(methodIndex) >= kMethodCount) return nullptr;
    return kCatalogue[methodIndex].inputs;
}

const CategoryRow kRootCategory{u"Filters", 5, 1001};

const CategoryRow& CategoryOf(MethodGroup group) {
    static const CategoryRow kCategories[] = {
        {u"Convolution filters", 33, 1021},
        {u"Morphologic filters", 34, 1022},
        {u"Color filters", 35, 0},
    };
    return kCategories[static_cast<int>(group)];
}

const int32_t kIconOrder[kIconCount] = {1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012, 1013,
                                        1014, 1015, 1016, 1017, 1018, 1019, 1020, 1023, 1001, 1021, 1022};
