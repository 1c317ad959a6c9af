// What a station sends, by its Content-Type or, when that says nothing
// useful, by its first bytes: MP3, which the radio plays, or another
// format named for the tooltip.
#pragma once

#include <cstdint>

enum StreamFormat : int32_t {
    STREAM_FORMAT_UNKNOWN = 0,  // look at the bytes
    STREAM_FORMAT_MP3 = 1,
    STREAM_FORMAT_OTHER = 2,  // audio of another kind, named
    STREAM_FORMAT_NONE = 3,   // no audio at all (a web page, say)
};

// The format a Content-Type value names; *name for another format.
int32_t stream_format_of_type(const char* content_type, const char** name);
// The other format the stream's first bytes show (Ogg, AAC, FLAC), or null.
const char* stream_format_sniff(const uint8_t* bytes, uint32_t length);
