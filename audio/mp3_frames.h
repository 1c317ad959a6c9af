// MPEG audio layer III frames in a byte stream: a frame header's fields,
// and the finder that locks onto the frames only once several consecutive
// headers agree, so that four bytes of audio that happen to look like a
// header never decide the stream's rate.
#pragma once

#include <cstdint>

// Headers that must follow one another, each where the one before says,
// before the finder believes them.
constexpr int MP3_CONFIRM_FRAMES = 4;
// The longest layer III frame: 320 kbit/s at 32 kHz, padded.
constexpr uint32_t MP3_FRAME_MAX = 1441;

struct Mp3Header {
    int32_t mpeg1;        // 1: MPEG-1; 0: MPEG-2 or 2.5 (half the samples a frame)
    int32_t sample_rate;  // Hz
    int32_t channels;     // 1 or 2
    int32_t bitrate;      // bits a second
    int32_t padded;
    uint32_t frame_bytes;
    int32_t samples;  // a frame's samples per channel
};

struct Mp3FrameFinder {
    int32_t locked;    // 1 while frames follow one another as expected
    Mp3Header format;  // what the locked frames share (their bitrate aside)
};

enum Mp3Found : int32_t {
    MP3_NEED_MORE = 0,  // no frame whole and confirmed yet: skip `start`, add bytes
    MP3_FRAME = 1,      // a frame at `start`, of header.frame_bytes
};

// The fields of the four bytes at `bytes`; 1 when they are a layer III
// header that a frame can have (free format and reserved values are not).
int mp3_header_parse(const uint8_t* bytes, Mp3Header* header);
// Whether two headers belong to one stream: same version, rate, channels.
int mp3_same_stream(const Mp3Header* a, const Mp3Header* b);
// Looks at the stream's next bytes. MP3_FRAME: a frame starts at *start
// (the bytes before it are not audio) and ends within length. MP3_NEED_MORE:
// the bytes before *start can go, and more are needed. A locked finder
// expects the next frame right at the front, and unlocks when it is not.
int32_t mp3_next_frame(Mp3FrameFinder* finder, const uint8_t* bytes, uint32_t length,
                       uint32_t* start, Mp3Header* header);
