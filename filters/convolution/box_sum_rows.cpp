#include "box_sum_rows.h"

#define KAF_ROUTINES_SOURCE "convolution/box_sum_rows.inc"
#define KAF_ROUTINES_TABLE BoxSumRows
#define KAF_ROUTINES_FOR BoxSumRowsFor
#include "routines_per_set.inc"
