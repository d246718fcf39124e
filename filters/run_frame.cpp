#include "run_frame.h"

#include <cmath>
#include <cstdio>

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

}  // namespace

void WarnIfArray(void* host, int32_t nameMax, const char16_t* name) {
    if (!name || name[0] == u'\0') return;
    int32_t maxIndex = 0;
    GetObjectMaxIndex(host, nameMax, name, &maxIndex);
    if (maxIndex <= 0) return;
    char16_t text[kWarningCapacity] = {};
    AppendAscii(text, kWarningCapacity, "Only the first element of the array would be evaluated in the input data object ");
    AppendText(text, kWarningCapacity, name, 64);
    AddWarning(host, kWarningMax, text);
}

void WarnClampedInteger(void* host, int32_t nameMax, const char16_t* name, int32_t oldValue, int32_t newValue) {
    WarnClamped(host, nameMax, name, "%d", oldValue, 8, newValue);
}

void WarnClampedReal(void* host, int32_t nameMax, const char16_t* name, float oldValue, float newValue) {
    // Floats are promoted to double for "%f", as any C formatting does.
    WarnClamped(host, nameMax, name, "%f", static_cast<double>(oldValue), 16, static_cast<double>(newValue));
}

bool RunFrame::Fail(const char16_t* text) {
    CopyText(errorBuf, errorMax, text);
    return false;
}

bool RunFrame::FailOutOfMemory() { return Fail(u"error: Not enough memory"); }

bool RunFrame::FetchInputFrame() {
    if (!GetParameterName(inputs, inputsContext, 0, kNameMax, inputName) ||
        !GetInputFrame(host, kNameMax, inputName, &inputFrame) || !inputFrame) {
        return Fail(u"error: Cannot get input frame");
    }
    width = GetFrameWidth(inputFrame);
    height = GetFrameDepth(inputFrame);
    bpp = GetFrameBPP(inputFrame);
    return true;
}

bool RunFrame::FetchOutputFrame(int32_t depth) {
    if (!GetParameterName(outputs, outputsContext, 0, kNameMax, outputName) ||
        !GetOutputFrame(host, kNameMax, outputName, &outputFrame, width, height, depth) || !outputFrame) {
        return Fail(u"error: Cannot get output frame");
    }
    return true;
}

bool RunFrame::NameInput(int32_t k) { return GetParameterName(inputs, inputsContext, k, kNameMax, inputName); }

double RunFrame::ReadNumber(int32_t k, double defaultValue) {
    double value = defaultValue;
    double* element = nullptr;
    if (NameInput(k) && GetNumber(host, kNameMax, inputName, 0, &element) && element) value = *element;
    WarnIfArray(host, kNameMax, inputName);
    return value;
}

int32_t RunFrame::ReadInteger(int32_t k, int32_t defaultValue) {
    return TruncateToInt32(ReadNumber(k, defaultValue));
}

float RunFrame::ReadReal(int32_t k, float defaultValue) { return RoundToFloat(ReadNumber(k, defaultValue)); }

// Replaces a value above the maximum by the maximum, then one below the
// minimum by the minimum, warning with the value read and the limit.
template <class T, class Warn>
static T ClampWithWarning(T value, T minimum, T maximum, Warn warn) {
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

int32_t RunFrame::ClampInteger(int32_t value, int32_t minimum, int32_t maximum) {
    return ClampWithWarning(value, minimum, maximum, [this](int32_t oldValue, int32_t newValue) {
        WarnClampedInteger(host, kNameMax, inputName, oldValue, newValue);
    });
}

float RunFrame::ClampReal(float value, float minimum, float maximum) {
    return ClampWithWarning(value, minimum, maximum, [this](float oldValue, float newValue) {
        WarnClampedReal(host, kNameMax, inputName, oldValue, newValue);
    });
}

PixelPlane RunFrame::PlaneOf(FrameHandle frame) {
    PixelPlane plane;
    if (!frame) return plane;
    plane.data = GetFrameDataAddr(frame);
    plane.width = GetFrameWidth(frame);
    plane.height = GetFrameDepth(frame);
    plane.stride = RowStride(plane.width, GetFrameBPP(frame));
    return plane;
}
