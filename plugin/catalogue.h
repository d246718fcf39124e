// The method catalogue: one row per method, driving the four enumeration
// exports and InitMethod.
#pragma once

#include <cstdint>
#include <new>

#include "filter.h"
#include "method_inputs.h"

enum class MethodGroup { Convolution, Morphologic, Color };

using FilterFactory = CFilter* (*)(int32_t methodIndex);

template <class Filter>
CFilter* NewFilter(int32_t methodIndex) {
    return new (std::nothrow) Filter(methodIndex);
}

struct CatalogueRow {
    const char16_t* name;
    const char16_t* description;
    int32_t iconId;
    MethodGroup group;
    FilterFactory factory;  // null while the method is not built
    int32_t inputCount;
    CatalogueInput inputs[kMaxMethodInputs];
};

constexpr uint32_t kMethodCount = 20;
extern const CatalogueRow kCatalogue[kMethodCount];

// Level-1 categories, by group.
struct CategoryRow {
    const char16_t* name;
    int32_t code;
    int32_t iconId;  // 0: the category has no icon
};
const CategoryRow& CategoryOf(MethodGroup group);

// Level 0: every method sits under "Filters".
extern const CategoryRow kRootCategory;

// The icon resources, in the order Init obtains them and Done releases them.
constexpr int kIconCount = 23;
extern const int32_t kIconOrder[kIconCount];
