#include "flat_field_rows.h"

#include <cstring>

namespace flat_field_rows {
#define KAF_ROUTINES_SOURCE "convolution/flat_field_rows.inc"
#define KAF_ROUTINES_TABLE FlatFieldRows
#include "routines_per_set.inc"
}  // namespace flat_field_rows

const FlatFieldRows* FlatFieldRowsFor(kaf_isa::InstructionSet set) { return flat_field_rows::TableFor(set); }

const FlatFieldRows& FlatFieldRowsToUse() { return flat_field_rows::TableToUse(); }
