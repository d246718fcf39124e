#include "run_frame.h"

#include <cmath>
#include <cstdio>

#include "filter.h"
#include "numeric.h"
#include "text.h"

namespace {

// Warning texts are built in a buffer of 256 characters and handed to the
// host with the maximum 255.
constexpr size_t kWarningCapacity = 256;
constexpr int32_t kWarningMax = 255;

// Appends the first `count` characters of a printf-formatted number.
template <class T>
void AppendNumber(char16_t* text, const char* format, T value, size_t count) {
    char digits[64];
    std::snprintf(digits, sizeof digits, format, value);
    AppendAscii(text, kWarningCapacity, digits, count);
}

// "Not acceptable value of the parameter NAME (OLD). It will be used new value NEW."
template <class T>
void WarnClamped(void* host, int32_t nameMax, const char16_t* name, const char* format, T oldValue,
                 size_t oldDigits, T newValue) {
    char16_t text[kWarningCapacity] = {};
    AppendAscii(text, kWarningCapacity, "Not acceptable value of the parameter ");
    AppendText(text, kWarningCapacity, name, nameMax >= 0 ? static_cast<size_t>(nameMax) + 1 : 0);
    AppendAscii(text, kWarningCapacity, " (");
    AppendNumber(text, format, oldValue, oldDigits);
    AppendAscii(text, kWarningCapacity, ")");
    AppendAscii(text, kWarningCapacity, ". ");
    AppendAscii(text, kWarningCapacity, "It will be used new value ");
    AppendNumber(text, format, newValue, 8);
    AppendAscii(text, kWarningCapacity, ".");
    AddWarning(host, kWarningMax, text);
}

void WarnIfArray(void* host, const char16_t* name) {
    if (!name || name[0] == u'\0') return;
    int32_t maxIndex = 0;
    GetObjectMaxIndex(host, kNameMax, name, &maxIndex);
    if (maxIndex <= 0) return;
    char16_t text[kWarningCapacity] = {};
    AppendAscii(text, kWarningCapacity, "Only the first element of the array would be evaluated in the input data object ");
    AppendText(text, kWarningCapacity, name, 64);
    AddWarning(host, kWarningMax, text);
}

// Replaces a value above the maximum by the maximum, then one below the
// minimum by the minimum, warning with the value read and the limit.
template <class T, class Warn>
T ClampWithWarning(T value, T minimum, T maximum, Warn warn) {
    // A value that is not a number passes both tests and stays as it is.
    if (value > maximum) {
        warn(value, maximum);
        return maximum;
    }
    if (value < minimum) {
        warn(value, minimum);
        return minimum;
    }
    return value;
}

// A declared limit as an integer; an unbounded side is the end of the range.
int32_t IntegerLimit(double limit) {
    if (limit <= INT32_MIN) return INT32_MIN;
    if (limit >= INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(limit);
}

// What an input the catalogue does not declare reads as.
constexpr CatalogueInput kUndeclared{InputKind::Integer, nullptr, nullptr, 0.0, -kUnbounded, kUnbounded};

// The zero-fill warning of arrays goes out with the length 127, not the 255
// of the other warnings.
constexpr int32_t kShortArrayWarningMax = 127;

}  // namespace

bool RunFrame::Fail(const char16_t* text) {
    CopyText(args.errorBuf, args.errorMax, text);
    return false;
}

bool RunFrame::FailOutOfMemory() { return Fail(u"error: Not enough memory"); }

bool RunFrame::FetchInputFrame() {
    if (!GetParameterName(args.inputs, args.inputsContext, 0, kNameMax, inputName) ||
        !GetInputFrame(args.host, kNameMax, inputName, &inputFrame) || !inputFrame) {
        return Fail(u"error: Cannot get input frame");
    }
    width = GetFrameWidth(inputFrame);
    height = GetFrameDepth(inputFrame);
    bpp = GetFrameBPP(inputFrame);
    return true;
}

bool RunFrame::FetchOutputFrame(int32_t depth) {
    if (!GetParameterName(args.outputs, args.outputsContext, 0, kNameMax, outputName) ||
        !GetOutputFrame(args.host, kNameMax, outputName, &outputFrame, width, height, depth) || !outputFrame) {
        return Fail(u"error: Cannot get output frame");
    }
    return true;
}

bool RunFrame::FetchTimestampedFrame(int32_t k, PixelPlane* frame, uint32_t* timestamp) {
    FrameHandle handle = nullptr;
    if (!NameInput(k) || !GetInputFrameTimestamp(args.host, kNameMax, inputName, &handle, timestamp) || !handle) {
        return Fail(u"error: Cannot get input frame");
    }
    *frame = PlaneOf(handle);
    return true;
}

const CatalogueInput& RunFrame::Declared(int32_t k) const {
    return declarations && k >= 0 && k < kMaxMethodInputs ? declarations[k] : kUndeclared;
}

bool RunFrame::NameInput(int32_t k) {
    return GetParameterName(args.inputs, args.inputsContext, k, kNameMax, inputName);
}

double RunFrame::ReadNumber(int32_t k) {
    double value = Declared(k).defaultValue;
    double* element = nullptr;
    if (NameInput(k) && GetNumber(args.host, kNameMax, inputName, 0, &element) && element) value = *element;
    WarnIfArray(args.host, inputName);
    return value;
}

int32_t RunFrame::Integer(int32_t k) {
    const CatalogueInput& input = Declared(k);
    return ClampWithWarning(TruncateToInt32(ReadNumber(k)), IntegerLimit(input.minimum), IntegerLimit(input.maximum),
                            [this](int32_t oldValue, int32_t newValue) {
                                WarnClamped(args.host, kNameMax, inputName, "%d", oldValue, 8, newValue);
                            });
}

float RunFrame::Real(int32_t k) {
    const CatalogueInput& input = Declared(k);
    return ClampWithWarning(RoundToFloat(ReadNumber(k)), static_cast<float>(input.minimum),
                            static_cast<float>(input.maximum),
                            [this](float oldValue, float newValue) { WarnRealReplaced(oldValue, newValue); });
}

void RunFrame::WarnRealReplaced(float oldValue, float newValue) {
    // Floats are promoted to double for "%f", as any C formatting does.
    WarnClamped(args.host, kNameMax, inputName, "%f", static_cast<double>(oldValue), 16,
                static_cast<double>(newValue));
}

bool RunFrame::ReadArray(int32_t k, float* values, int64_t count) {
    if (!NameInput(k)) {
        // The text names whatever the host left in the name buffer.
        constexpr char kPrefix[] = "error: Cannot get any of the elements of the input array ";
        char16_t text[sizeof kPrefix + 64] = {};
        AppendAscii(text, sizeof text / sizeof text[0], kPrefix);
        AppendText(text, sizeof text / sizeof text[0], inputName, 64);
        return Fail(text);
    }
    // A failed query counts as an array without elements.
    int32_t maxIndex = -1;
    if (!GetObjectMaxIndex(args.host, kNameMax, inputName, &maxIndex)) maxIndex = -1;
    if (maxIndex < count - 1) {
        AddWarning(args.host, kShortArrayWarningMax,
                   u"Cannot get all the elements of the input array. Zero values were used instead.");
    }
    for (int64_t i = 0; i < count; ++i) {
        double* value = nullptr;
        const bool read = GetNumber(args.host, kNameMax, inputName, static_cast<int32_t>(i), &value) && value;
        values[i] = read ? RoundToFloat(*value) : 0.0f;
    }
    return true;
}

PixelPlane RunFrame::PlaneOf(FrameHandle frame) {
    PixelPlane plane;
    if (!frame) return plane;
    plane.data = GetFrameDataAddr(frame);
    plane.width = GetFrameWidth(frame);
    plane.height = GetFrameDepth(frame);
    plane.bitsPerPixel = GetFrameBPP(frame);
    plane.stride = RowStride(plane.width, plane.bitsPerPixel);
    return plane;
}

bool CFilter::Run(void* host, void* inputs, void* inputsContext, void* outputs, void* outputsContext,
                  int32_t errorMax, char16_t* errorBuf) {
    RunFrame frame(RunArguments{host, inputs, inputsContext, outputs, outputsContext, errorMax, errorBuf},
                   declaredInputs);
    return frame.FetchInputFrame() && Step(frame);
}
