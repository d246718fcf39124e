#include "threshold_rows.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "threshold_passes.h"

#define KAF_ROUTINES_SOURCE "morphology/threshold_rows.inc"
#define KAF_ROUTINES_TABLE ThresholdRows
#define KAF_ROUTINES_FOR ThresholdRowsFor
#include "routines_per_set.inc"
