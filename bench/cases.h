// The benchmark's method table: for each of the module's twenty methods the
// picture it runs on, the parameters it gets (by radius where it has one) and
// the closest OpenCV operation on the same pixels.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "pictures.h"

namespace kaf_bench {

// One value handed to a method's input k + 1 (input 0 is always the frame).
struct Argument {
    enum class Kind { Number, Array, WhiteFrame } kind = Kind::Number;
    double number = 0;
    std::vector<double> array;
};

// The peer's input: the very pixels of the module's input frame, and of the
// white calibration frame for flat-field (empty otherwise).
struct PeerInput {
    cv::Mat source;
    cv::Mat white;
};

struct MethodCase {
    std::string name;  // the module's method name
    Workload workload;
    // Radii to measure; empty for a method without a radius (one row, "-").
    std::vector<int> radii;
    // The inputs after "Input frame", in catalogue order.
    std::function<std::vector<Argument>(int radius)> arguments;
    // What the peer computes, as an operation ready to run: it owns its
    // output and temporaries, so calling it allocates nothing.
    std::function<std::function<void()>(const PeerInput&, int radius)> peer;
    std::string peerName;
};

const std::vector<MethodCase>& MethodCases();

// Standard deviation that gives "edge" (and the Gaussian peers) a kernel
// half-width of exactly `radius`.
float EdgeSigmaForRadius(int radius);
// The sigma "gaussian" derives from its radius.
float GaussianSigmaForRadius(int radius);

}  // namespace kaf_bench
