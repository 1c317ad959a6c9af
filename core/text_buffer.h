// Copies into the radio's fixed text buffers, never past their end.
#pragma once

#include <cstddef>
#include <cstring>

// Copies text into a buffer of size bytes, cut to fit and always terminated.
inline void text_copy(char* buffer, size_t size, const char* text) {
    if (size == 0) {
        return;
    }
    size_t length = strlen(text);
    if (length >= size) {
        length = size - 1;
    }
    memmove(buffer, text, length);
    buffer[length] = '\0';
}

template <size_t N>
inline void text_copy(char (&buffer)[N], const char* text) {
    text_copy(buffer, N, text);
}
