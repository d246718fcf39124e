#include "edge_rows.h"

#include <cmath>

namespace edge_rows {
#define KAF_ROUTINES_SOURCE "edge/edge_rows.inc"
#define KAF_ROUTINES_TABLE EdgeRows
#include "routines_per_set.inc"
}  // namespace edge_rows

const EdgeRows* EdgeRowsFor(kaf_isa::InstructionSet set) { return edge_rows::TableFor(set); }

const EdgeRows& EdgeRowsToUse() { return edge_rows::TableToUse(); }
