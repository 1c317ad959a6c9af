// UTF-8 to and from UTF-16, for the stand-in's code page and its wide calls;
// what is ill-formed becomes U+FFFD, never an error.
#include "platform/utf8.h"

namespace plat {

uint32_t utf8_next(const unsigned char* text, size_t length, size_t* at, bool* valid) {
    unsigned char c = text[*at];
    size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 4;
    uint32_t point = c;
    bool good = extra <= 3 && *at + extra < length;
    if (good && extra > 0) {
        point = c & (0x3F >> extra);
        for (size_t k = 1; k <= extra; ++k) {
            good = good && (text[*at + k] & 0xC0) == 0x80;
            point = (point << 6) | (text[*at + k] & 0x3F);
        }
        static const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        good = good && point >= least[extra] && point <= 0x10FFFF &&
               (point < 0xD800 || point > 0xDFFF);
    }
    if (valid != nullptr) {
        *valid = good;
    }
    *at += good ? extra + 1 : 1;
    return good ? point : 0xFFFD;
}

void utf8_append(std::string* out, uint32_t point) {
    if (point < 0x80) {
        *out += static_cast<char>(point);
    } else if (point < 0x800) {
        *out += static_cast<char>(0xC0 | (point >> 6));
        *out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        *out += static_cast<char>(0xE0 | (point >> 12));
        *out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (point >> 18));
        *out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

bool utf8_valid(const std::string& text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    bool valid = true;
    for (size_t at = 0; at < text.size() && valid;) {
        utf8_next(bytes, text.size(), &at, &valid);
    }
    return valid;
}

std::u16string utf16_from_utf8(const char* text, size_t length) {
    std::u16string out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (size_t at = 0; at < length;) {
        uint32_t point = utf8_next(bytes, length, &at);
        if (point >= 0x10000) {
            point -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (point >> 10));
            out += static_cast<char16_t>(0xDC00 + (point & 0x3FF));
        } else {
            out += static_cast<char16_t>(point);
        }
    }
    return out;
}

std::string utf8_from_utf16(const char16_t* wide, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        uint32_t point = wide[i];
        bool high = point >= 0xD800 && point < 0xDC00;
        if (high && i + 1 < length && wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000) {
            point = 0x10000 + ((point - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        } else if (point >= 0xD800 && point < 0xE000) {
            point = 0xFFFD;
        }
        utf8_append(&out, point);
    }
    return out;
}

std::string utf8_from_utf16(const char16_t* wide) {
    size_t length = 0;
    while (wide[length] != 0) {
        ++length;
    }
    return utf8_from_utf16(wide, length);
}

}  // namespace plat
