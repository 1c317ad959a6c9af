// The ICY metadata a station interleaves with its audio when asked to: after
// every `interval` bytes of audio, one length byte, then that many times 16
// bytes of text such as "StreamTitle='Miles Davis - So What';". The cutter
// takes the text out of the byte stream, whatever pieces it arrives in, and
// keeps the title.
#pragma once

#include <cstdint>

// The longest metadata block a length byte can announce.
constexpr uint32_t ICY_BLOCK_CAPACITY = 255 * 16;
// A title keeps at most this many bytes, its terminator included.
constexpr int ICY_TITLE_CAPACITY = 256;
// Intervals beyond this are no station's: the metadata would never come.
constexpr uint32_t ICY_INTERVAL_MAX = 1u << 20;

struct IcyState {
    uint32_t interval;    // audio bytes between blocks; 0 when the station sends none
    uint32_t audio_left;  // audio bytes before the next length byte
    uint32_t block_left;  // bytes of the current block still to come
    uint32_t block_length;
    int32_t in_block;  // 1 between a length byte and the end of its block
    char block[ICY_BLOCK_CAPACITY];
    // Set when a block named a title (maybe an empty one); the reader clears it.
    int32_t title_changed;
    char title[ICY_TITLE_CAPACITY];
};

// A new stream with blocks every interval bytes (0: none).
void icy_start(IcyState* icy, uint32_t interval);
// Takes the metadata out of bytes in place; the audio left at the front, in
// its order. A block that names a title sets title and title_changed.
uint32_t icy_cut(IcyState* icy, uint8_t* bytes, uint32_t length);
// The title a block's text names, cut to ICY_TITLE_CAPACITY; 1 when the
// text has a StreamTitle at all.
int icy_title_of(const char* text, uint32_t length, char* title);
