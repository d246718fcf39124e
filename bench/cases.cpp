#include "cases.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/ximgproc.hpp>

namespace kaf_bench {
namespace {

using Peer = std::function<void()>;
using Arguments = std::vector<Argument>;

Argument Number(double value) {
    Argument a;
    a.number = value;
    return a;
}

Argument Array(std::vector<double> values) {
    Argument a;
    a.kind = Argument::Kind::Array;
    a.array = std::move(values);
    return a;
}

Argument WhiteFrame() {
    Argument a;
    a.kind = Argument::Kind::WhiteFrame;
    return a;
}

const std::vector<int> kRadii = {1, 5, 10};
const std::vector<int> kNoRadius = {};

// A user kernel of side n with every tap weighted (no zero taps that a peer
// could skip): a smoothing bump plus a fixed ripple.
std::vector<double> UserKernel(int n) {
    std::vector<double> k(size_t(n) * n);
    for (size_t i = 0; i < k.size(); ++i) k[i] = (double(int(i * 37 % 11)) - 4.0) / (4.0 * n * n);
    k[k.size() / 2] += 1.0;
    return k;
}

// The module lays kernel row 0 on the highest-numbered image row of the
// window; OpenCV's filter2D lays it on the lowest. Flipping the rows makes
// both compute the same weighted sums.
cv::Mat PeerKernel(const std::vector<double>& values, int rows, int cols) {
    cv::Mat k(rows, cols, CV_32F);
    for (int i = 0; i < rows * cols; ++i) k.at<float>(i / cols, i % cols) = float(values[size_t(i)]);
    cv::flip(k, k, 0);
    return k;
}

Peer Filter2D(const PeerInput& in, cv::Mat kernel) {
    cv::Mat dst(in.source.size(), in.source.type());
    return [src = in.source, dst, kernel]() mutable { cv::filter2D(src, dst, -1, kernel); };
}

std::vector<double> BlurKernel(int radius, double passThrough) {
    const int n = 2 * radius + 1;
    std::vector<double> k(size_t(n) * n, 1.0);
    k[size_t(n + 1) * radius] = float(n * n - 1) * float(passThrough) / (1.0 - passThrough);
    double sum = 0;
    for (double v : k) sum += v;
    for (double& v : k) v /= sum;
    return k;
}

std::vector<double> LaplacianKernel(int type, double boost) {
    switch (type) {
    case 1: return {1, -2, 1, -2, boost + 4, -2, 1, -2, 1};
    case 2: return {0, -1, 0, -1, boost + 4, -1, 0, -1, 0};
    default: return {-1, -1, -1, -1, boost + 8, -1, -1, -1, -1};
    }
}

// The grey picture a thresholding peer starts from: OpenCV's morphology and
// thinning work on one channel, so colour input is converted first (part of
// the peer's timed work, as the module also reads colour frames directly).
struct GreySource {
    cv::Mat source;
    cv::Mat grey;
    int code = -1;
    explicit GreySource(const cv::Mat& src) : source(src) {
        if (src.channels() == 1) {
            grey = src;
        } else {
            code = src.channels() == 3 ? cv::COLOR_BGR2GRAY : cv::COLOR_BGRA2GRAY;
            grey.create(src.size(), CV_8UC1);
        }
    }
    const cv::Mat& Get() {
        if (code >= 0) cv::cvtColor(source, grey, code);
        return grey;
    }
};

cv::Mat Square(int radius) { return cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * radius + 1, 2 * radius + 1)); }

// Thresholding at 127 (the module's level for Threshold 0.5) into a picture
// where the dark objects are 0, then one 3x3 operation. The module's objects
// are the dark pixels, so its dilation is OpenCV's erosion of the image, its
// opening OpenCV's closing, and so on.
Peer ThresholdMorphology(const PeerInput& in, int operation) {
    GreySource grey(in.source);
    cv::Mat binary(in.source.size(), CV_8UC1), dst(in.source.size(), CV_8UC1);
    const cv::Mat element = Square(1);
    return [grey, binary, dst, element, operation]() mutable {
        cv::threshold(grey.Get(), binary, 127, 255, cv::THRESH_BINARY);
        cv::morphologyEx(binary, dst, operation, element);
    };
}

Peer Skeleton(const PeerInput& in) {
    GreySource grey(in.source);
    cv::Mat binary(in.source.size(), CV_8UC1), dst(in.source.size(), CV_8UC1);
    return [grey, binary, dst]() mutable {
        // Thinning takes objects as non-zero pixels: the dark ones here.
        cv::threshold(grey.Get(), binary, 127, 255, cv::THRESH_BINARY_INV);
        cv::ximgproc::thinning(binary, dst, cv::ximgproc::THINNING_ZHANGSUEN);
    };
}

Peer Canny(const PeerInput& in, int radius) {
    GreySource grey(in.source);
    cv::Mat smooth(in.source.size(), CV_8UC1), dst(in.source.size(), CV_8UC1);
    const double sigma = EdgeSigmaForRadius(radius);
    return [grey, smooth, dst, radius, sigma]() mutable {
        cv::GaussianBlur(grey.Get(), smooth, cv::Size(2 * radius + 1, 2 * radius + 1), sigma, sigma);
        cv::Canny(smooth, dst, 60, 120);
    };
}

Peer MinMax(const PeerInput& in, int radius, bool maximum) {
    cv::Mat dst(in.source.size(), in.source.type());
    const cv::Mat element = Square(radius);
    return [src = in.source, dst, element, maximum]() mutable {
        if (maximum)
            cv::dilate(src, dst, element);
        else
            cv::erode(src, dst, element);
    };
}

// Erode and dilate, then per channel take whichever is further from the
// pixel itself (the maximum on a tie).
Peer Extreme(const PeerInput& in, int radius) {
    const cv::Size size = in.source.size();
    const int type = in.source.type();
    cv::Mat low(size, type), high(size, type), below(size, type), above(size, type), dst(size, type);
    cv::Mat mask(size, CV_8UC(in.source.channels()));
    const cv::Mat element = Square(radius);
    return [src = in.source, low, high, below, above, mask, dst, element]() mutable {
        cv::erode(src, low, element);
        cv::dilate(src, high, element);
        cv::subtract(src, low, below);
        cv::subtract(high, src, above);
        cv::compare(below, above, mask, cv::CMP_GT);
        high.copyTo(dst);
        low.copyTo(dst, mask);
    };
}

// Flat-field: output = input x mean(white) / white. The mean belongs to the
// calibration frame, so it is measured once, as the module does while the
// frame's timestamp stays the same.
Peer FlatField(const PeerInput& in) {
    const cv::Scalar channelMeans = cv::mean(in.white);
    const int colours = std::min(3, in.white.channels());
    double mean = 0;
    for (int c = 0; c < colours; ++c) mean += channelMeans[c];
    mean /= colours;
    cv::Mat dst(in.source.size(), in.source.type());
    return [src = in.source, white = in.white, dst, mean]() mutable { cv::divide(src, white, dst, mean); };
}

MethodCase Laplacian(int type) {
    return {"laplacian_high_boost_" + std::to_string(type), Workload::Noise, kNoRadius,
            [](int) { return Arguments{Number(1.0)}; },
            [type](const PeerInput& in, int) { return Filter2D(in, PeerKernel(LaplacianKernel(type, 1.0), 3, 3)); },
            "cv::filter2D"};
}

MethodCase Morphology(const char* name, int operation, const char* peerName, double repeat) {
    return {name, Workload::DarkObjects, kNoRadius,
            [repeat](int) { return Arguments{Number(repeat), Number(0.5)}; },
            [operation](const PeerInput& in, int) { return ThresholdMorphology(in, operation); }, peerName};
}

MethodCase RankExtreme(const char* name, bool maximum, const char* peerName) {
    return {name, Workload::Noise, kRadii, [](int r) { return Arguments{Number(r), Number(1.0)}; },
            [maximum](const PeerInput& in, int r) { return MinMax(in, r, maximum); }, peerName};
}

MethodCase FixedUserKernel(const char* name, int n) {
    return {name, Workload::Noise, kNoRadius, [n](int) { return Arguments{Array(UserKernel(n))}; },
            [n](const PeerInput& in, int) { return Filter2D(in, PeerKernel(UserKernel(n), n, n)); },
            "cv::filter2D"};
}

std::vector<MethodCase> BuildCases() {
    std::vector<MethodCase> cases;
    cases.push_back({"blur", Workload::Noise, kRadii,
                     [](int r) { return Arguments{Number(r), Number(0.5)}; },
                     [](const PeerInput& in, int r) {
                         return Filter2D(in, PeerKernel(BlurKernel(r, 0.5), 2 * r + 1, 2 * r + 1));
                     },
                     "cv::filter2D"});
    cases.push_back({"gaussian", Workload::Noise, kRadii, [](int r) { return Arguments{Number(r)}; },
                     [](const PeerInput& in, int r) -> Peer {
                         cv::Mat dst(in.source.size(), in.source.type());
                         const double sigma = GaussianSigmaForRadius(r);
                         return [src = in.source, dst, r, sigma]() mutable {
                             cv::GaussianBlur(src, dst, cv::Size(2 * r + 1, 2 * r + 1), sigma, sigma);
                         };
                     },
                     "cv::GaussianBlur"});
    for (int type = 1; type <= 3; ++type) cases.push_back(Laplacian(type));
    cases.push_back({"mean", Workload::Noise, kRadii, [](int r) { return Arguments{Number(r)}; },
                     [](const PeerInput& in, int r) -> Peer {
                         cv::Mat dst(in.source.size(), in.source.type());
                         return [src = in.source, dst, r]() mutable {
                             cv::blur(src, dst, cv::Size(2 * r + 1, 2 * r + 1));
                         };
                     },
                     "cv::blur"});
    cases.push_back({"median", Workload::Noise, kRadii, [](int r) { return Arguments{Number(r)}; },
                     [](const PeerInput& in, int r) -> Peer {
                         cv::Mat dst(in.source.size(), in.source.type());
                         return [src = in.source, dst, r]() mutable { cv::medianBlur(src, dst, 2 * r + 1); };
                     },
                     "cv::medianBlur"});
    cases.push_back(RankExtreme("minimum", false, "cv::erode"));
    cases.push_back(RankExtreme("maximum", true, "cv::dilate"));
    cases.push_back({"extreme", Workload::Noise, kRadii, [](int r) { return Arguments{Number(r), Number(1.0)}; },
                     [](const PeerInput& in, int r) { return Extreme(in, r); }, "erode+dilate+select"});
    cases.push_back({"skeletonization", Workload::DarkObjects, kNoRadius,
                     [](int) { return Arguments{Number(20), Number(0.5)}; },
                     [](const PeerInput& in, int) { return Skeleton(in); }, "threshold+ximgproc::thinning"});
    cases.push_back({"edge", Workload::DarkObjects, kRadii,
                     [](int r) { return Arguments{Number(EdgeSigmaForRadius(r)), Number(0.5)}; },
                     [](const PeerInput& in, int r) { return Canny(in, r); }, "GaussianBlur+Canny"});
    cases.push_back(Morphology("dilation", cv::MORPH_ERODE, "threshold+erode", 1));
    cases.push_back(Morphology("erosion", cv::MORPH_DILATE, "threshold+dilate", 1));
    cases.push_back(Morphology("opening", cv::MORPH_CLOSE, "threshold+morphologyEx", 1));
    cases.push_back(Morphology("closing", cv::MORPH_OPEN, "threshold+morphologyEx", 1));
    cases.push_back(FixedUserKernel("kernel_3x3", 3));
    cases.push_back(FixedUserKernel("kernel_5x5", 5));
    cases.push_back({"kernel", Workload::Noise, kRadii,
                     [](int r) { return Arguments{Number(2 * r + 1), Number(2 * r + 1), Array(UserKernel(2 * r + 1))}; },
                     [](const PeerInput& in, int r) {
                         return Filter2D(in, PeerKernel(UserKernel(2 * r + 1), 2 * r + 1, 2 * r + 1));
                     },
                     "cv::filter2D"});
    cases.push_back({"flat_field", Workload::VignettedScene, kNoRadius, [](int) { return Arguments{WhiteFrame()}; },
                     [](const PeerInput& in, int) { return FlatField(in); }, "cv::divide"});
    return cases;
}

}  // namespace

float GaussianSigmaForRadius(int radius) {
    const float s = float(radius - 0.33);
    return float(double(s) / 3.35);
}

float EdgeSigmaForRadius(int radius) {
    // "edge" takes the half-width as trunc(sigma x 3.35 + 0.33); aiming at the
    // middle of the interval keeps rounding from landing on radius - 1.
    return float((radius - 0.33 + 0.5) / 3.35);
}

const std::vector<MethodCase>& MethodCases() {
    static const std::vector<MethodCase> cases = BuildCases();
    return cases;
}

}  // namespace kaf_bench
