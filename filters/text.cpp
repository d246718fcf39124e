#include "text.h"

void CopyText(char16_t* destination, int32_t max, const char16_t* source) {
    if (!destination || max < 0) return;
    const size_t limit = static_cast<size_t>(max) + 1;
    size_t i = 0;
    if (source) {
        for (; i < limit && source[i] != u'\0'; ++i) destination[i] = source[i];
    }
    for (; i < limit; ++i) destination[i] = u'\0';
}

size_t TextLength(const char16_t* text, size_t limit) {
    size_t n = 0;
    if (text) {
        while (n < limit && text[n] != u'\0') ++n;
    }
    return n;
}

void AppendText(char16_t* buffer, size_t capacity, const char16_t* source, size_t count) {
    if (!buffer || capacity == 0) return;
    size_t end = TextLength(buffer, capacity - 1);
    for (size_t i = 0; source && i < count && source[i] != u'\0' && end + 1 < capacity; ++i) {
        buffer[end++] = source[i];
    }
    buffer[end] = u'\0';
}

void AppendAscii(char16_t* buffer, size_t capacity, const char* source, size_t count) {
    if (!buffer || capacity == 0) return;
    size_t end = TextLength(buffer, capacity - 1);
    for (size_t i = 0; source && i < count && source[i] != '\0' && end + 1 < capacity; ++i) {
        buffer[end++] = static_cast<unsigned char>(source[i]);
    }
    buffer[end] = u'\0';
}
