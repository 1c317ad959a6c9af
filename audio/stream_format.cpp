// Content types as stations send them, matched without case and without
// their parameters ("audio/mpeg; charset=..." is MP3).
#include "audio/stream_format.h"

#include <cstring>

namespace {

struct StreamType {
    const char* type;
    int32_t format;
    const char* name;
};

const StreamType STREAM_TYPES[] = {
    {"audio/mpeg", STREAM_FORMAT_MP3, "MP3"},       {"audio/mp3", STREAM_FORMAT_MP3, "MP3"},
    {"audio/mpeg3", STREAM_FORMAT_MP3, "MP3"},      {"audio/x-mpeg", STREAM_FORMAT_MP3, "MP3"},
    {"audio/x-mp3", STREAM_FORMAT_MP3, "MP3"},      {"audio/mpg", STREAM_FORMAT_MP3, "MP3"},
    {"audio/aac", STREAM_FORMAT_OTHER, "AAC"},      {"audio/aacp", STREAM_FORMAT_OTHER, "AAC"},
    {"audio/x-aac", STREAM_FORMAT_OTHER, "AAC"},    {"audio/mp4", STREAM_FORMAT_OTHER, "AAC"},
    {"audio/x-m4a", STREAM_FORMAT_OTHER, "AAC"},    {"application/ogg", STREAM_FORMAT_OTHER, "Ogg"},
    {"audio/ogg", STREAM_FORMAT_OTHER, "Ogg"},      {"audio/x-ogg", STREAM_FORMAT_OTHER, "Ogg"},
    {"audio/opus", STREAM_FORMAT_OTHER, "Ogg"},     {"audio/vorbis", STREAM_FORMAT_OTHER, "Ogg"},
    {"audio/flac", STREAM_FORMAT_OTHER, "FLAC"},    {"audio/x-flac", STREAM_FORMAT_OTHER, "FLAC"},
    {"audio/wav", STREAM_FORMAT_OTHER, "WAV"},      {"audio/x-wav", STREAM_FORMAT_OTHER, "WAV"},
    {"audio/x-ms-wma", STREAM_FORMAT_OTHER, "WMA"},
};

char stream_format_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

int32_t stream_format_of_type(const char* content_type, const char** name) {
    *name = nullptr;
    while (*content_type == ' ') {
        ++content_type;
    }
    size_t length = 0;
    while (content_type[length] != '\0' && content_type[length] != ';' &&
           content_type[length] != ' ') {
        ++length;
    }
    for (const StreamType& known : STREAM_TYPES) {
        size_t i = 0;
        while (i < length && known.type[i] != '\0' &&
               stream_format_lower(content_type[i]) == known.type[i]) {
            ++i;
        }
        if (i == length && known.type[i] == '\0') {
            *name = known.name;
            return known.format;
        }
    }
    // No type, a generic one, or audio of a kind not listed: the bytes tell.
    if (length == 0 || strncmp(content_type, "application/octet-stream", length) == 0 ||
        (length > 6 && strncmp(content_type, "audio/", 6) == 0)) {
        return STREAM_FORMAT_UNKNOWN;
    }
    return STREAM_FORMAT_NONE;
}

const char* stream_format_sniff(const uint8_t* bytes, uint32_t length) {
    for (uint32_t at = 0; at + 4 <= length; ++at) {
        if (memcmp(bytes + at, "OggS", 4) == 0) {
            return "Ogg";
        }
        if (memcmp(bytes + at, "fLaC", 4) == 0) {
            return "FLAC";
        }
        // Two ADTS headers (twelve sync bits, then layer 0), the second
        // where the first one's frame length says.
        if (bytes[at] == 0xFF && (bytes[at + 1] & 0xF6) == 0xF0 && at + 7 <= length) {
            uint32_t frame = (static_cast<uint32_t>(bytes[at + 3] & 3) << 11) |
                             (static_cast<uint32_t>(bytes[at + 4]) << 3) | (bytes[at + 5] >> 5);
            uint32_t next = at + frame;
            if (frame >= 7 && next + 2 <= length && bytes[next] == 0xFF &&
                (bytes[next + 1] & 0xF6) == 0xF0) {
                return "AAC";
            }
        }
    }
    return nullptr;
}
