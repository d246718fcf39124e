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

constexpr CatalogueInput kInputFrame{ParamTypeFrame, u"Input frame", nullptr};

constexpr CatalogueInput Number(const char16_t* name, const char16_t* descriptor = nullptr) {
    return CatalogueInput{ParamTypeNumber, name, descriptor};
}

constexpr CatalogueInput kKernelRadius = Number(u"Kernel radius", u"Max=10;Default=1");
constexpr CatalogueInput kHighBoost = Number(u"High-boost coefficient", u"Default=0");
constexpr CatalogueInput kNeighbourhoodRadius = Number(u"Neighbourhood radius", u"Default=1;Max=10");
constexpr CatalogueInput kThreshold = Number(u"Threshold", u"EditType=Threshold;Default=0.5");
constexpr CatalogueInput kRepeatUpTo10 = Number(u"Times to repeat", u"Default=1;Max=10");
constexpr CatalogueInput kRepeatUpTo20 = Number(u"Times to repeat", u"Default=1;Min=1;Max=20");

constexpr MethodGroup kConv = MethodGroup::Convolution;
constexpr MethodGroup kMorph = MethodGroup::Morphologic;

}  // namespace

const CatalogueRow kCatalogue[kMethodCount] = {
    {u"blur", u"Convolve image with specified pass-through ratio", 1003, kConv, &NewFilter<CBlur>, 3,
     {kInputFrame, kKernelRadius, Number(u"Pass-through rating", u"EditType=Slider;Min=0;Max=1;Default=0.5")}},
    {u"gaussian", u"Convolve image with Gaussian kernel", 1004, kConv, &NewFilter<CGaussian>, 2,
     {kInputFrame, kKernelRadius}},
    {u"laplacian_high_boost_1", u"Convolve image with 1st type of Laplacian high-boost kernel", 1005, kConv,
     &NewFilter<CLaplacian421>, 2, {kInputFrame, kHighBoost}},
    {u"laplacian_high_boost_2", u"Convolve image with 2nd type of Laplacian high-boost kernel", 1006, kConv,
     &NewFilter<CLaplacian410>, 2, {kInputFrame, kHighBoost}},
    {u"laplacian_high_boost_3", u"Convolve image with 3rd type of Laplacian high-boost kernel", 1007, kConv,
     &NewFilter<CLaplacian811>, 2, {kInputFrame, kHighBoost}},
    {u"mean", u"Convolve image with boxcar kernel", 1002, kMorph, &NewFilter<CMean>, 2,
     {kInputFrame, kKernelRadius}},
    {u"median", u"Changing each pixel with neighbourhood median", 1008, kMorph, &NewFilter<CMedian>, 2,
     {kInputFrame, kNeighbourhoodRadius}},
    {u"minimum", u"Changing each pixel with neighbourhood minimum", 1014, kMorph, &NewFilter<CMinimum>, 3,
     {kInputFrame, kNeighbourhoodRadius, Number(u"Intensity", u"Min=0;Max=1;Default=1")}},
    {u"maximum", u"Changing each pixel with neighbourhood maximum", 1015, kMorph, &NewFilter<CMaximum>, 3,
     {kInputFrame, kNeighbourhoodRadius, Number(u"Intensity", u"Min=0;Max=1;Default=1")}},
    {u"extreme", u"Changing each pixel with neighbourhood minimum/maximum (depending which is further)", 1016,
     kMorph, &NewFilter<CExtreme>, 3,
     {kInputFrame, kNeighbourhoodRadius, Number(u"Intensity", u"Min=0;Max=1;Default=1")}},
    {u"skeletonization", u"Skeletonization of image; resulting image is always monochromatic", 1013, kMorph,
     &NewFilter<CSkelet>, 3, {kInputFrame, Number(u"Maximum number of iterations", u"Default=20;Max=50"), kThreshold}},
    {u"edge", u"Enhancing edges; resulting image is always monochromatic", 1017, kMorph, &NewFilter<CEdge>, 3,
     {kInputFrame, Number(u"Standard deviation"), kThreshold}},
    {u"dilation", u"Dilation of image; resulting image is always monochromatic", 1009, kMorph, &NewFilter<CDilation>, 3,
     {kInputFrame, kRepeatUpTo10, kThreshold}},
    {u"erosion", u"Erosion of image; resulting image is always monochromatic", 1010, kMorph, &NewFilter<CErosion>, 3,
     {kInputFrame, kRepeatUpTo10, kThreshold}},
    {u"opening", u"Opening of image; resulting image is always monochromatic", 1011, kMorph, &NewFilter<COpening>, 3,
     {kInputFrame, kRepeatUpTo20, kThreshold}},
    {u"closing", u"Closing of image; resulting image is always monochromatic", 1012, kMorph, &NewFilter<CClosing>, 3,
     {kInputFrame, kRepeatUpTo20, kThreshold}},
    {u"kernel_3x3", u"Convolve image with user-defined 3x3 kernel", 1018, kConv, &NewFilter<CKernel3x3>, 2,
     {kInputFrame, Number(u"Kernel source", u"Matrix=3,3")}},
    {u"kernel_5x5", u"Convolve image with user-defined 5x5 kernel", 1019, kConv, &NewFilter<CKernel5x5>, 2,
     {kInputFrame, Number(u"Kernel source", u"Matrix=5,5")}},
    {u"kernel", u"Convolve image with user-defined kernel", 1020, kConv, &NewFilter<CKernel>, 4,
     {kInputFrame, Number(u"Kernel width"), Number(u"Kernel height"), Number(u"Kernel source")}},
    {u"flat_field", u"Frame calibration using white pattern", 1023, MethodGroup::Color, &NewFilter<CFlatField>, 2,
     {kInputFrame, CatalogueInput{ParamTypeFrame, u"White calibration frame", nullptr}}},
};

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
