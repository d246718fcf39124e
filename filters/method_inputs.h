// A method's inputs as the catalogue declares them: the name and descriptor
// text the host is shown, and beside them what the code needs of each input,
// its kind, its default and its clamp limits. The run frame reads input k by
// its declaration, so no filter restates a default or a limit.
#pragma once

#include <cstdint>
#include <limits>

#include "kafilters.h"

enum class InputKind {
    Frame,    // a frame, fetched by the method itself
    Integer,  // a number truncated toward zero
    Real,     // a number rounded to single precision
    Array,    // numbers read element by element
};

constexpr int kMaxMethodInputs = 4;

// The limit of a number without one.
constexpr double kUnbounded = std::numeric_limits<double>::infinity();

struct CatalogueInput {
    InputKind kind;
    const char16_t* name;
    const char16_t* descriptor;  // null when the input has none
    double defaultValue;         // used when the host supplies no number
    // Clamp limits: a value read above maximum becomes maximum, one below
    // minimum becomes minimum, each with the clamping warning.
    double minimum;
    double maximum;

    // The parameter type the enumeration reports.
    constexpr int32_t Type() const { return kind == InputKind::Frame ? ParamTypeFrame : ParamTypeNumber; }
};

// The inputs of the catalogue's method `methodIndex` (null for an index
// outside the catalogue).
const CatalogueInput* MethodInputs(int32_t methodIndex);
