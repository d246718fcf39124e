// Conversions from floating point to 32-bit integers with the x86 rule: a
// value that is not a number, or whose truncation lies outside the 32-bit
// range, becomes -2147483648. A plain cast would be undefined behaviour there.
#pragma once

#include <cstdint>

constexpr int32_t kIntegerIndefinite = INT32_MIN;

// Truncation toward zero.
inline int32_t TruncateToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return kIntegerIndefinite;  // NaN fails both
    return static_cast<int32_t>(value);
}

inline int32_t TruncateToInt32(float value) { return TruncateToInt32(static_cast<double>(value)); }

// The low 8 bits of the truncated value, as stored into a byte.
inline uint8_t TruncateToByte(float value) { return static_cast<uint8_t>(TruncateToInt32(value)); }
