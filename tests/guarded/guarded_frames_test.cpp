// Every method on every depth and on tiny frames, with default, extreme and
// malformed parameters, in frames that lie against guard pages. Each case
// runs twice on one method object: once with the blocks against the guard
// page after them and the output pre-filled with 0xA5, once against the page
// before them with 0x5A. A touched guard page faults at once; damaged slack,
// header or palette, a written input, differing results, or output pixels
// that depend on what the output held before, fail the case.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <sstream>

#include "guarded_host.h"
#include "test_host.h"

#if defined(KAF_GUARD_PAGES)

namespace {

using kaf_guard::GuardedHost;
using kaf_guard::Placement;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

const std::vector<int32_t> kDepths = {1, 4, 8, 16, 24, 32};

struct Geometry {
    int32_t width;
    int32_t height;
};

// Tiny frames: widths 1 to 9 on a few heights, single rows and columns, and
// a few sizes that reach the vectorised spans of the engines.
std::vector<Geometry> SweepGeometries() {
    std::vector<Geometry> sizes;
    for (int32_t height : {1, 2, 3, 4, 7}) {
        for (int32_t width = 1; width <= 9; ++width) sizes.push_back({width, height});
    }
    for (Geometry extra : {Geometry{1, 17}, {17, 1}, {2, 33}, {33, 2}, {65, 3}, {31, 31}}) sizes.push_back(extra);
    return sizes;
}

std::vector<Geometry> FewGeometries() { return {{1, 1}, {1, 5}, {5, 1}, {2, 2}, {3, 3}, {9, 4}, {17, 3}, {33, 2}}; }

// What the calibration frame of "flat_field" is, relative to the input.
enum class Calibration { Same, Zeros, OtherWidth, OtherDepth, Absent };

// The objects a run finds: numbers and arrays by input name; inputs not
// listed are absent and take their defaults.
struct ParamSet {
    std::string label;
    std::map<std::u16string, std::vector<double>> numbers;
    Calibration calibration = Calibration::Same;
};

std::vector<double> RandomArray(size_t count, uint32_t seed, double scale) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> value(-scale, scale);
    std::vector<double> values(count);
    for (double& v : values) v = value(generator);
    return values;
}

bool HasInput(const ka_iproc::PluginModule::Method& method, const std::u16string& name) {
    for (const auto& input : method.inputs) {
        if (input.name == name) return true;
    }
    return false;
}

// Element count of the kernel source for a set's kernel dimensions.
size_t KernelElements(const ka_iproc::PluginModule::Method& method, const ParamSet& set) {
    if (method.name == u"kernel_3x3") return 9;
    if (method.name == u"kernel_5x5") return 25;
    const auto dimension = [&](const std::u16string& name) -> int64_t {
        const auto found = set.numbers.find(name);
        if (found == set.numbers.end() || found->second.empty()) return 0;
        const double v = found->second[0];
        return (v > 0 && v < 1000) ? static_cast<int64_t>(v) : 0;
    };
    const int64_t n = dimension(u"Kernel width") * dimension(u"Kernel height");
    return n > 0 ? static_cast<size_t>(n) : 9;
}

// Every number input at one value; user kernels get kernel dimensions and a
// kernel source array of `sourceScale` (NaN: all NaN).
ParamSet Uniform(const ka_iproc::PluginModule::Method& method, std::string label, double value, int32_t kernelWidth,
                 int32_t kernelHeight, double sourceScale, Calibration calibration) {
    ParamSet set{std::move(label), {}, calibration};
    for (const auto& input : method.inputs) {
        if (input.type != ParamTypeNumber || input.name == u"Kernel source") continue;
        set.numbers[input.name] = {value};
    }
    if (HasInput(method, u"Kernel width")) {
        set.numbers[u"Kernel width"] = {double(kernelWidth)};
        set.numbers[u"Kernel height"] = {double(kernelHeight)};
    }
    if (HasInput(method, u"Kernel source")) {
        const size_t n = KernelElements(method, set);
        set.numbers[u"Kernel source"] =
            std::isnan(sourceScale) ? std::vector<double>(n, kNaN) : RandomArray(n, 7, sourceScale);
    }
    return set;
}

// Sets run on every tiny geometry and depth.
std::vector<ParamSet> SweepSets(const ka_iproc::PluginModule::Method& method) {
    return {
        {"defaults", {}, Calibration::Same},
        Uniform(method, "typical", 1.0, 3, 3, 2.0, Calibration::Same),
        Uniform(method, "all 1e9", 1e9, 21, 21, 1e30, Calibration::Zeros),
        Uniform(method, "all -1e9", -1e9, 1, 1, -1e30, Calibration::Same),
        Uniform(method, "all NaN", kNaN, 1, 9, kNaN, Calibration::Zeros),
        Uniform(method, "all 1e300", 1e300, 9, 1, 3.5e38, Calibration::Same),
    };
}

const double kSpecialNumbers[] = {kNaN, kInf,  -kInf, 1e300, -1e300, -0.0, 0.0, 1e-310, 0.5, 0.999, 1.0, 1.004,
                                  2.9,  -2.9,  3.0,   10,    11,     20,   21,  50,     51,  1e9,   -1e9,
                                  2147483647.0, 2147483648.0, -2147483649.0, 3.5e38, -3.5e38};

std::string Describe(double v) {
    std::ostringstream text;
    text << v;
    return text.str();
}

// Sets run on a few geometries and every depth: one input at a time at
// every special number, as an empty array, and as a longer array; kernel
// sources of wrong lengths and with special elements; calibration frames
// that do not match.
std::vector<ParamSet> SpecialSets(const ka_iproc::PluginModule::Method& method) {
    std::vector<ParamSet> sets;
    const ParamSet base = Uniform(method, "", 1.0, 3, 3, 2.0, Calibration::Same);
    for (const auto& input : method.inputs) {
        if (input.type != ParamTypeNumber || input.name == u"Kernel source") continue;
        const std::string name = kaf_test::Narrow(input.name);
        auto with = [&](std::string label, std::vector<double> values) {
            ParamSet set = base;
            set.label = name + " = " + label;
            set.numbers[input.name] = std::move(values);
            if (HasInput(method, u"Kernel source")) {
                set.numbers[u"Kernel source"] = RandomArray(KernelElements(method, set), 11, 2.0);
            }
            sets.push_back(std::move(set));
        };
        for (double v : kSpecialNumbers) with(Describe(v), {v});
        with("[]", {});
        with("[NaN, 1, 2]", {kNaN, 1, 2});
        with("[5, NaN, inf]", {5, kNaN, kInf});
        ParamSet absent = base;
        absent.label = name + " absent";
        absent.numbers.erase(input.name);
        sets.push_back(std::move(absent));
    }
    if (HasInput(method, u"Kernel source")) {
        const size_t n = KernelElements(method, base);
        auto with = [&](std::string label, std::vector<double> values) {
            ParamSet set = base;
            set.label = "Kernel source = " + label;
            set.numbers[u"Kernel source"] = std::move(values);
            sets.push_back(std::move(set));
        };
        with("[]", {});
        with("one element", {1.0});
        with("one short", RandomArray(n - 1, 3, 2.0));
        with("five long", RandomArray(n + 5, 3, 2.0));
        for (double v : {kNaN, kInf, -kInf, 3.5e38, 1e-310, -0.0}) {
            std::vector<double> values = RandomArray(n, 5, 2.0);
            values[n / 2] = v;
            with("centre " + Describe(v), values);
        }
        with("all 1e38", std::vector<double>(n, 1e38));
        ParamSet absent = base;
        absent.label = "Kernel source absent";
        absent.numbers.erase(u"Kernel source");
        sets.push_back(std::move(absent));
    }
    for (Calibration calibration : {Calibration::Zeros, Calibration::OtherWidth, Calibration::OtherDepth,
                                    Calibration::Absent}) {
        if (!HasInput(method, u"White calibration frame")) break;
        ParamSet set = base;
        set.label = "calibration variant " + std::to_string(static_cast<int>(calibration));
        set.calibration = calibration;
        sets.push_back(std::move(set));
    }
    return sets;
}

// Pixel rows of that geometry (stride bytes each) with seeded random bytes.
std::vector<uint8_t> RandomRows(int32_t width, int32_t height, int32_t bitsPerPixel, uint32_t seed) {
    const size_t stride = (static_cast<size_t>(width) * bitsPerPixel + 31) / 32 * 4;
    std::vector<uint8_t> rows(stride * static_cast<size_t>(height));
    std::mt19937 generator(seed);
    for (uint8_t& byte : rows) byte = static_cast<uint8_t>(generator() >> 24);
    return rows;
}

// "edge" writes the interior of its 8-bit map only; the outermost rows and
// columns keep whatever the host's frame held, so they are left out of the
// comparison.
void MaskBorder(FrameHandle output, std::vector<uint8_t>* pixels) {
    const int32_t width = GetFrameWidth(output);
    const int32_t height = GetFrameDepth(output);
    if (GetFrameBPP(output) != 8) return;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            if (y == 0 || x == 0 || y == height - 1 || x == width - 1) (*pixels)[size_t(y) * width + x] = 0;
        }
    }
}

struct GuardedOutcome {
    bool ok = false;
    std::u16string error;
    std::vector<std::u16string> warnings;
    bool hasOutput = false;
    bool untouched = false;  // every byte of the output rows still holds the fill
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> inputPixels;
};

GuardedOutcome RunGuarded(ka_iproc::MethodInstance& instance, const ka_iproc::PluginModule::Method& method,
                          Geometry size, int32_t bitsPerPixel, const ParamSet& set, Placement placement,
                          uint8_t fill, uint32_t seed, const std::string& label) {
    GuardedHost host(placement, fill);
    FrameHandle input = host.AddFrame(u"Input frame", size.width, size.height, bitsPerPixel,
                                      RandomRows(size.width, size.height, bitsPerPixel, seed));
    if (HasInput(method, u"White calibration frame") && set.calibration != Calibration::Absent) {
        const int32_t width = size.width + (set.calibration == Calibration::OtherWidth ? 1 : 0);
        const int32_t depth = set.calibration == Calibration::OtherDepth ? (bitsPerPixel == 8 ? 32 : 8) : bitsPerPixel;
        std::vector<uint8_t> rows = RandomRows(width, size.height, depth, seed + 1);
        if (set.calibration == Calibration::Zeros) std::fill(rows.begin(), rows.end(), 0);
        host.AddFrame(u"White calibration frame", width, size.height, depth, rows);
    }
    for (const auto& [name, values] : set.numbers) host.Session().AddArray(name, values);

    ka_iproc::ParameterList inputs;
    for (const auto& input : method.inputs) inputs.Names().push_back(input.name);
    ka_iproc::ParameterList outputs({u"Output frame"});

    kaf_guard::SetCaseLabel(label);
    GuardedOutcome outcome;
    host.SetInputsReadOnly(true);
    outcome.ok = instance.Run(host.Session(), inputs, outputs, &outcome.error);
    host.SetInputsReadOnly(false);
    outcome.warnings = host.Session().Warnings();

    const std::string damage = host.Check();
    EXPECT_EQ(damage, "") << label;
    if (FrameHandle output = host.Frame(u"Output frame")) {
        outcome.hasOutput = true;
        const std::vector<uint8_t> rows = ka_iproc::FramePixels(output);
        outcome.untouched = std::all_of(rows.begin(), rows.end(), [&](uint8_t b) { return b == fill; });
        outcome.pixels = kaf_test::PixelBytes(output);
        outcome.inputPixels = kaf_test::PixelBytes(input);
        if (method.name == u"edge") MaskBorder(output, &outcome.pixels);
    }
    return outcome;
}

std::string CaseLabel(const ka_iproc::PluginModule::Method& method, const ParamSet& set, Geometry size,
                      int32_t bitsPerPixel) {
    return kaf_test::Narrow(method.name) + " [" + set.label + "] on " + std::to_string(size.width) + "x" +
           std::to_string(size.height) + " at " + std::to_string(bitsPerPixel) + " bpp";
}

// Runs every (geometry, depth) of a set on one method object, in both
// placements; returns the number of failed cases.
int RunSet(const ka_iproc::PluginModule::Method& method, const ParamSet& set, const std::vector<Geometry>& sizes,
           const std::vector<int32_t>& depths) {
    ka_iproc::MethodInstance instance(kaf_test::Module(), method.index);
    int failures = 0;
    uint32_t seed = 1;
    for (Geometry size : sizes) {
        for (int32_t bitsPerPixel : depths) {
            const std::string label = CaseLabel(method, set, size, bitsPerPixel);
            ++seed;
            const GuardedOutcome a =
                RunGuarded(instance, method, size, bitsPerPixel, set, Placement::AgainstEnd, 0xA5, seed, label);
            const GuardedOutcome b =
                RunGuarded(instance, method, size, bitsPerPixel, set, Placement::AgainstStart, 0x5A, seed, label);
            const bool supported = bitsPerPixel == 8 || bitsPerPixel == 24 || bitsPerPixel == 32;
            // Unsupported depths leave the output as it was, except where a
            // method copies the whole block ("blur" at full pass-through).
            const bool untouched = a.untouched && b.untouched;
            bool same = a.ok == b.ok && a.error == b.error && a.warnings == b.warnings && a.hasOutput == b.hasOutput;
            if (a.ok) same = same && a.hasOutput && (untouched || a.pixels == b.pixels);
            if (a.ok && !supported) same = same && (untouched || a.pixels == a.inputPixels);
            if (!same && ++failures <= 5) {
                ADD_FAILURE() << label << ": results differ between the placements or an unsupported depth was "
                              << "written (ok " << a.ok << "/" << b.ok << ", error '"
                              << kaf_test::Narrow(a.error) << "' / '" << kaf_test::Narrow(b.error)
                              << "', untouched " << a.untouched << "/" << b.untouched << ")";
            }
        }
    }
    return failures;
}

class GuardedFrames : public ::testing::TestWithParam<uint32_t> {
protected:
    const ka_iproc::PluginModule::Method* MethodOrSkip() {
        const uint32_t index = GetParam();
        const uintptr_t probe = kaf_test::Module().InitMethod(index);
        kaf_test::Module().DoneMethod(probe);
        if (probe == 0) return nullptr;
        return &kaf_test::Catalogue()[index];
    }
};

// The sweeps run on one OpenMP thread: on a machine whose cores are all busy,
// waking a team for each of thousands of tiny runs costs far more than the
// runs. The row split between threads gets a test of its own below.
TEST_P(GuardedFrames, SweepOfTinyFramesAndExtremeParameters) {
    const auto* method = MethodOrSkip();
    if (!method) GTEST_SKIP() << "method not built yet";
    int failures = 0;
    kaf_test::WithThreads(1, [&] {
        for (const ParamSet& set : SweepSets(*method)) failures += RunSet(*method, set, SweepGeometries(), kDepths);
    });
    EXPECT_EQ(failures, 0);
}

TEST_P(GuardedFrames, SpecialNumbersArraysAndCalibrationFrames) {
    const auto* method = MethodOrSkip();
    if (!method) GTEST_SKIP() << "method not built yet";
    int failures = 0;
    kaf_test::WithThreads(1, [&] {
        for (const ParamSet& set : SpecialSets(*method)) failures += RunSet(*method, set, FewGeometries(), kDepths);
    });
    EXPECT_EQ(failures, 0);
}

// Three threads on frames of one to 17 rows: blocks of zero, one and several
// rows per thread, with the widest kernels and neighbourhoods.
TEST_P(GuardedFrames, RowBlocksOfThreeThreads) {
    const auto* method = MethodOrSkip();
    if (!method) GTEST_SKIP() << "method not built yet";
    const std::vector<Geometry> sizes = {{1, 1}, {3, 2}, {2, 3}, {5, 4}, {9, 7}, {17, 1}, {1, 17}, {33, 5}};
    const std::vector<ParamSet> sets = SweepSets(*method);
    int failures = 0;
    kaf_test::WithThreads(3, [&] {
        for (const ParamSet& set : sets) {
            if (set.label == "typical" || set.label == "all 1e9") failures += RunSet(*method, set, sizes, {8, 24, 32});
        }
    });
    EXPECT_EQ(failures, 0);
}

// The guards themselves: a byte past either end of a block faults, and a
// byte written into the slack or the palette is reported.
TEST(GuardPages, TouchingEitherGuardPageFaults) {
    // The threadsafe style re-executes the test program, which cannot start
    // on its own behind an emulator: there the child is only forked.
    GTEST_FLAG_SET(death_test_style, std::string(KAF_TOOL_LAUNCHER).empty() ? "threadsafe" : "fast");
    for (Placement placement : {Placement::AgainstEnd, Placement::AgainstStart}) {
        kaf_guard::GuardedBlock block(100, placement);
        volatile uint8_t* data = block.Data();
        const size_t past = placement == Placement::AgainstEnd ? 100 : static_cast<size_t>(-1);
        EXPECT_DEATH(data[past] = 1, "memory access outside a frame block");
    }
}

TEST(GuardPages, SlackAndPaletteDamageIsReported) {
    kaf_guard::GuardedFrame frame(3, 2, 8, Placement::AgainstStart, 0);
    EXPECT_EQ(frame.Check(), "");
    uint8_t* data = GetFrameDataAddr(frame.Handle());
    data[-1] ^= 1;  // the last palette entry
    EXPECT_EQ(frame.Check(), "header or palette overwritten");
    data[-1] ^= 1;
    data[frame.Block()->Size() - (data - static_cast<uint8_t*>(frame.Handle()))] = 7;  // just past the block
    EXPECT_EQ(frame.Check(), "byte 1 after the block written");
}

INSTANTIATE_TEST_SUITE_P(EveryMethod, GuardedFrames, ::testing::Range(0u, 20u),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                             return kaf_test::Narrow(kaf_test::Catalogue()[info.param].name);
                         });

}  // namespace

#else

TEST(GuardedFrames, NeedLinux) { GTEST_SKIP() << "guard pages and symbol interposition are Linux-only here"; }

#endif  // KAF_GUARD_PAGES
