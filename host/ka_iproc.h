// The host library's functions and records: the only header that the module
// and the host library share. On Windows the module imports these functions
// from "ka_iproc.dll"; on Linux from libka_iproc.so.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#if defined(KA_IPROC_BUILD)
#define KA_IPROC_API __declspec(dllexport)
#else
#define KA_IPROC_API __declspec(dllimport)
#endif
#else
#define KA_IPROC_API __attribute__((visibility("default")))

// The bitmap header that heads every frame block, in the Windows layout.
struct tagBITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
typedef tagBITMAPINFOHEADER BITMAPINFOHEADER;
#endif

static_assert(sizeof(BITMAPINFOHEADER) == 40, "bitmap header must have the Windows layout");

namespace ka_iproc {

// A segment in pixel units: first point, then second point.
struct TLine {
    double x1;
    double y1;
    double x2;
    double y2;
};

// A rectangle of the given size centred on (centreX, centreY), rotated by
// angle degrees; the angle sits at byte offset 32.
struct TRectangularRegion {
    double centreX;
    double centreY;
    double width;
    double height;
    double angle;
};

}  // namespace ka_iproc

static_assert(offsetof(ka_iproc::TRectangularRegion, angle) == 32, "region angle at byte offset 32");

// A frame is the address of a block: bitmap header, palette (8 bits and less),
// then the pixel rows.
typedef void* FrameHandle;
// An icon handed out by the host library, released with DoneIcon.
typedef void* IconAddress;

extern "C" {

KA_IPROC_API bool GetParameterName(void* list, void* listContext, int32_t index, int32_t nameMax,
                                   char16_t* name);
KA_IPROC_API bool GetInputFrame(void* host, int32_t nameMax, const char16_t* name, FrameHandle* frame);
KA_IPROC_API bool GetInputFrameTimestamp(void* host, int32_t nameMax, const char16_t* name,
                                         FrameHandle* frame, uint32_t* timestamp);
KA_IPROC_API bool GetOutputFrame(void* host, int32_t nameMax, const char16_t* name, FrameHandle* frame,
                                 int32_t width, int32_t height, int32_t bitsPerPixel);
KA_IPROC_API bool GetNumber(void* host, int32_t nameMax, const char16_t* name, int32_t element,
                            double** value);
KA_IPROC_API bool GetObjectMaxIndex(void* host, int32_t nameMax, const char16_t* name, int32_t* maxIndex);
KA_IPROC_API bool AddWarning(void* host, int32_t textMax, const char16_t* text);

KA_IPROC_API int32_t GetFrameWidth(FrameHandle frame);
KA_IPROC_API int32_t GetFrameDepth(FrameHandle frame);  // the height in rows
KA_IPROC_API int32_t GetFrameBPP(FrameHandle frame);
KA_IPROC_API uint8_t* GetFrameDataAddr(FrameHandle frame);
// Size in bytes of a whole block like this frame's; 0 when it would not fit a size_t.
KA_IPROC_API size_t GetFrameSize(FrameHandle frame);
// Writes a frame header (and a grey palette at 8 bits and less) into a block
// of GetFrameSize bytes.
KA_IPROC_API void InitFrameDIB(void* block, int32_t width, int32_t height, int32_t bitsPerPixel);

KA_IPROC_API IconAddress GetResourceIconAddress(void* instance, int32_t resourceId);
KA_IPROC_API void DoneIcon(IconAddress* icon);

// Nearest integer, halves away from zero; not a number or out of the 32-bit
// range gives -2147483648.
KA_IPROC_API int32_t RoundReal(float value);
KA_IPROC_API bool PixelInRectangularRegion(const BITMAPINFOHEADER* bitmap,
                                           const ka_iproc::TRectangularRegion* region, double x, double y,
                                           double sine, double cosine);

}  // extern "C"
