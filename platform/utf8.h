// UTF-8, the encoding of Linux file names and of the stand-in's code page,
// to and from the UTF-16 that wide Windows calls take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat {

// The code point that starts at text[*at], and *at moved past it. A byte
// that does not begin a well-formed sequence (overlong, a surrogate, past
// U+10FFFF, cut short) gives U+FFFD and is passed alone, as Windows does
// without MB_ERR_INVALID_CHARS; *valid, when given, says which it was.
uint32_t utf8_next(const unsigned char* text, size_t length, size_t* at, bool* valid = nullptr);
void utf8_append(std::string* out, uint32_t point);
bool utf8_valid(const std::string& text);

std::u16string utf16_from_utf8(const char* text, size_t length);
// Surrogate pairs join; a lone surrogate becomes U+FFFD. The first takes
// length units (a NUL among them too), the second up to the NUL.
std::string utf8_from_utf16(const char16_t* wide, size_t length);
std::string utf8_from_utf16(const char16_t* wide);

}  // namespace plat
