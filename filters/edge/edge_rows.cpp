#include "edge_rows.h"

#define KAF_ROUTINES_SOURCE "edge/edge_rows.inc"
#define KAF_ROUTINES_TABLE EdgeRows
#define KAF_ROUTINES_FOR EdgeRowsFor
#include "routines_per_set.inc"
