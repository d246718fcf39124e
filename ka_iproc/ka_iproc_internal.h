// Pieces of the host library shared between its own source files, and exposed
// so that the library's tests can reach the frame layout, the name rules and
// the icon decoder directly. Not part of the API for hosts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ka_iproc.h"
#include "ka_resources.h"

namespace ka_iproc {
namespace detail {

// --- frames ------------------------------------------------------------
// Palette entries ahead of the pixel rows: a grey ramp of 2^bpp entries at
// 1, 4 and 8 bits per pixel, none above.
uint32_t PaletteEntries(int32_t bitsPerPixel);
// Row stride in bytes: rows padded to whole 32-bit words. 0 for a depth the
// library does not lay out (1, 4, 8, 16, 24 and 32 are laid out).
uint64_t RowStride(int32_t width, int32_t bitsPerPixel);
// Size of a whole frame block; 0 for invalid geometry or when the size does
// not fit a size_t.
size_t FrameBlockSize(int32_t width, int32_t height, int32_t bitsPerPixel);

// --- names and texts ---------------------------------------------------
// Length of a NUL-terminated UTF-16 text, reading at most limit characters.
size_t TextLength(const char16_t* text, size_t limit);
// The name a call hands over: at most nameMax + 1 characters, up to the NUL.
std::u16string ReadName(int32_t nameMax, const char16_t* name);
// Bounded copy of max + 1 characters with wcsncpy semantics.
void CopyName(char16_t* destination, int32_t max, const std::u16string& source);

// --- timestamps --------------------------------------------------------
// The next frame timestamp: a process-wide counter that skips 0.
uint32_t NextFrameTimestamp();

// --- icons -------------------------------------------------------------
// Decodes an icon resource (a bitmap file image of 24 or 32 bits per pixel,
// or the compact "KAI1" format) into a registered icon; null when the block
// is malformed.
IconAddress DecodeIcon(int32_t resourceId, const uint8_t* data, size_t size);
// The entry of that type and id in a resource directory (ended by type 0);
// null when the directory is null or has no such entry.
const KaResourceEntry* FindResourceEntry(const KaResourceEntry* directory, int32_t type, int32_t resourceId);
// The platform's resource lookup: the data of the icon resource `id` in the
// loaded module `instance`; false when there is none.
bool FindIconResource(void* instance, int32_t resourceId, const uint8_t** data, size_t* size);

// --- run-time loading of a module ----------------------------------------
void* OpenLibrary(const std::string& path, std::string* error);
void* FindSymbol(void* library, const char* name);
void CloseLibrary(void* library);

}  // namespace detail
}  // namespace ka_iproc
