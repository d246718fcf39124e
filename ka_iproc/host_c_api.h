// A plain C face over the host API of host_api.h, for hosts that cannot call
// C++ (the Python binding loads it with ctypes). Names cross as NUL-terminated
// UTF-8; the objects are opaque pointers owned by the caller, who destroys
// them with the matching Destroy function.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ka_iproc.h"

extern "C" {

typedef struct KaSession KaSession;
typedef struct KaParameterList KaParameterList;

// --- sessions ------------------------------------------------------------
KA_IPROC_API KaSession* KaSessionCreate(void);
KA_IPROC_API void KaSessionDestroy(KaSession* session);
// The value handed to RunMethod as `host`.
KA_IPROC_API void* KaSessionHost(KaSession* session);

// A new zero-filled frame under the name, replacing any object of that name;
// null for invalid geometry. The caller fills its rows through
// GetFrameDataAddr and KaFrameStride.
KA_IPROC_API FrameHandle KaSessionAddFrame(KaSession* session, const char* name, int32_t width, int32_t height,
                                           int32_t bitsPerPixel);
KA_IPROC_API void KaSessionAddNumber(KaSession* session, const char* name, double value);
// An array of count numbers (count below 1 gives an empty array).
KA_IPROC_API void KaSessionAddArray(KaSession* session, const char* name, const double* values, int32_t count);
KA_IPROC_API void KaSessionRemove(KaSession* session, const char* name);
// The frame of that name, or null.
KA_IPROC_API FrameHandle KaSessionFindFrame(KaSession* session, const char* name);
// Marks the content of the frame of that name as changed (a new timestamp),
// for a host that rewrote its pixels in place; false when there is no such
// frame.
KA_IPROC_API bool KaSessionTouchFrame(KaSession* session, const char* name);

// Warnings added by runs, in order. The Read functions copy warning `index`
// with its NUL into a buffer of `capacity` units (cut to fit, still
// terminated) and return the full length in units without the NUL, or -1
// for an index out of range; a null buffer only measures.
KA_IPROC_API int32_t KaSessionWarningCount(KaSession* session);
KA_IPROC_API int32_t KaSessionReadWarningUtf16(KaSession* session, int32_t index, char16_t* buffer, int32_t capacity);
KA_IPROC_API int32_t KaSessionReadWarningUtf8(KaSession* session, int32_t index, char* buffer, int32_t capacity);
KA_IPROC_API void KaSessionClearWarnings(KaSession* session);

// --- parameter lists -----------------------------------------------------
// Parameter k wired to the object named names[k]; a null or empty name
// leaves parameter k unwired.
KA_IPROC_API KaParameterList* KaParameterListCreate(const char* const* names, int32_t count);
KA_IPROC_API void KaParameterListDestroy(KaParameterList* list);
// The values handed to RunMethod as a list and its context.
KA_IPROC_API void* KaParameterListHandle(KaParameterList* list);
KA_IPROC_API void* KaParameterListContext(KaParameterList* list);

// --- frames --------------------------------------------------------------
// Bytes from the start of one pixel row to the next; 0 for a null frame.
KA_IPROC_API int32_t KaFrameStride(FrameHandle frame);

}  // extern "C"
