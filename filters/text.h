// UTF-16 text helpers for the buffers that cross the module's boundary.
#pragma once

#include <cstddef>
#include <cstdint>

// Bounded copy of max + 1 characters with wcsncpy semantics: a shorter text
// is followed by NULs up to max + 1 characters; a longer one is cut there and
// left unterminated. Nothing is written to a null buffer or for max below 0.
void CopyText(char16_t* destination, int32_t max, const char16_t* source);

// Length of a NUL-terminated UTF-16 text, reading at most limit characters.
size_t TextLength(const char16_t* text, size_t limit = SIZE_MAX);

// Appends at most count characters of source (stopping at its NUL) to the
// text being built in buffer[0..capacity), keeping it terminated.
void AppendText(char16_t* buffer, size_t capacity, const char16_t* source, size_t count = SIZE_MAX);
// Appends at most count characters of an ASCII text.
void AppendAscii(char16_t* buffer, size_t capacity, const char* source, size_t count = SIZE_MAX);
