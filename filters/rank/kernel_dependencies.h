// Everything the kernel sources (median_kernels.h, extremes_kernels.h) use,
// included by each kernels_*.cpp ahead of any target pragma.
#pragma once

#include <algorithm>
#include <climits>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__) || defined(_M_X64)
#include <immintrin.h>
#endif

#include "byte_lanes.h"
#include "numeric.h"
#include "row_prefetch.h"
#include "rank_kernels.h"
