// Conversions from floating point to 32-bit integers with the x86 rule: a
// value that is not a number, or whose truncation lies outside the 32-bit
// range, becomes -2147483648. A plain cast would be undefined behaviour there.
#pragma once

#include <cstdint>

// x87 float math keeps 80-bit intermediates and breaks the single-precision rules: 32-bit x86 needs SSE2 math.
#if (defined(__i386__) && !defined(__SSE2_MATH__)) || (defined(_M_IX86) && !defined(__GNUC__) && _M_IX86_FP < 2)
#error "32-bit x86 builds need SSE2 float math: compile with -msse2 -mfpmath=sse"
#endif

constexpr int32_t kIntegerIndefinite = INT32_MIN;

// Truncation toward zero.
inline int32_t TruncateToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return kIntegerIndefinite;  // NaN fails both
    return static_cast<int32_t>(value);
}

// The same rule tested in single precision, so that loops over floats stay in
// float lanes: -2147483904 is the next float below -2^31.
inline int32_t TruncateToInt32(float value) {
    if (!(value > -2147483904.0f && value < 2147483648.0f)) return kIntegerIndefinite;
    return static_cast<int32_t>(value);
}

// The low 8 bits of the truncated value, as stored into a byte.
inline uint8_t TruncateToByte(float value) { return static_cast<uint8_t>(TruncateToInt32(value)); }

// Rounds a double to single precision; values beyond the float range become
// infinities (as the hardware conversion gives), not undefined behaviour.
inline float RoundToFloat(double value) {
    constexpr double kFloatMax = 3.4028234663852886e38;
    if (value > kFloatMax || value < -kFloatMax) {
        // Values just above the largest float may still round down to it.
        const double halfUlpAboveMax = 3.4028235677973366e38;
        if (value >= halfUlpAboveMax) return __builtin_huge_valf();
        if (value <= -halfUlpAboveMax) return -__builtin_huge_valf();
        return value > 0 ? 3.4028234663852886e38f : -3.4028234663852886e38f;
    }
    return static_cast<float>(value);
}
