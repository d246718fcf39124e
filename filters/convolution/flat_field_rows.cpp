#include "flat_field_rows.h"

#define KAF_ROUTINES_SOURCE "convolution/flat_field_rows.inc"
#define KAF_ROUTINES_TABLE FlatFieldRows
#define KAF_ROUTINES_FOR FlatFieldRowsFor
#include "routines_per_set.inc"
