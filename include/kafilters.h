// The module's exports, as a host sees them. A host loads the module at run
// time and looks these names up; this header gives their types.
#pragma once

#include <cstdint>

#include "ka_iproc.h"

#if defined(_WIN32)
#if defined(KAFILTERS_BUILD)
#define KAFILTERS_API
#else
#define KAFILTERS_API __declspec(dllimport)
#endif
#else
#define KAFILTERS_API __attribute__((visibility("default")))
#endif

// What InitMethod returns for an index above 19.
constexpr uintptr_t InvalidMethodHandle = ~uintptr_t(0);

// Parameter type codes of EnumerateMethodInputs / EnumerateMethodOutputs.
constexpr int32_t ParamTypeFrame = 1;
constexpr int32_t ParamTypeNumber = 10;

extern "C" {
KAFILTERS_API void Init(void);
KAFILTERS_API void Done(void);
KAFILTERS_API uint8_t EnumerateMethods(uint32_t method, int32_t nameMax, char16_t* nameBuf, int32_t descMax,
                                       char16_t* descBuf, IconAddress* iconOut, int32_t* reservedOut);
KAFILTERS_API uint8_t EnumerateMethodsCategories(uint32_t method, uint32_t categoryIndex, uint32_t level,
                                                 int32_t nameMax, char16_t* nameBuf, int32_t* codeOut,
                                                 IconAddress* iconOut);
KAFILTERS_API uint8_t EnumerateMethodInputs(uint32_t method, uint32_t inputIndex, int32_t* typeOut,
                                            int32_t descMax, char16_t* descBuf, int32_t nameMax,
                                            char16_t* nameBuf);
KAFILTERS_API uint8_t EnumerateMethodOutputs(uint32_t method, uint32_t outputIndex, int32_t* typeOut,
                                             int32_t nameMax, char16_t* nameBuf);
KAFILTERS_API uintptr_t InitMethod(uint32_t method);
KAFILTERS_API void DoneMethod(uintptr_t handle);
KAFILTERS_API uint8_t RunMethod(uintptr_t handle, void* host, void* inputs, void* inputsContext, void* outputs,
                                void* outputsContext, int32_t errorMax, char16_t* errorBuf);
}

// The scanners' callback: called once per sample with (user value, x, y,
// value); a result of 0 ends the scan.
#if defined(_WIN32) && !defined(_WIN64)
#define KA_SCAN_CALLBACK __stdcall
#else
#define KA_SCAN_CALLBACK
#endif
typedef unsigned char(KA_SCAN_CALLBACK* ScanSampleCallback)(unsigned int, float, float, unsigned int);

// The two line scanners, exported under their C++ names.
KAFILTERS_API void ScanLineSubPixelPrecision(tagBITMAPINFOHEADER* bitmap, ka_iproc::TRectangularRegion* region,
                                             ka_iproc::TLine line, int channelMode, unsigned int userValue,
                                             int subPixelBits, ScanSampleCallback sampleCallback);
KAFILTERS_API void ScanLineSubPixelPrecisionWithSharpening(tagBITMAPINFOHEADER* bitmap,
                                                           ka_iproc::TRectangularRegion* region,
                                                           ka_iproc::TLine line, int channelMode,
                                                           unsigned int userValue, int subPixelBits,
                                                           ScanSampleCallback sampleCallback);
