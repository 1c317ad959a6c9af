// A station's MP3 decoded through the Audio Compression Manager: a stream
// from layer III, described by a frame header, to 16-bit PCM of the same
// rate and channels, fed whole frames a few at a time.
#pragma once

#include "audio/mp3_frames.h"
#include "platform/win32.h"

// Frames given to one conversion at most.
constexpr uint32_t MP3_DECODE_FRAMES = 8;
constexpr uint32_t MP3_SOURCE_CAPACITY = MP3_DECODE_FRAMES * MP3_FRAME_MAX;
// The PCM of that many frames, with room for what the decoder held back.
constexpr uint32_t MP3_PCM_CAPACITY = 2 * MP3_DECODE_FRAMES * 1152 * 2 * 2;

struct Mp3Decoder {
    HACMSTREAM stream;  // null when closed
    Mp3Header format;
    ACMSTREAMHEADER header;
    int32_t prepared;
    int32_t started;  // the first conversion has been made
    BYTE source[MP3_SOURCE_CAPACITY];
    BYTE pcm[MP3_PCM_CAPACITY];
};

// A conversion stream for frames of that header's version, rate and
// channels; 1 when the platform has a decoder for them.
int mp3_decoder_open(Mp3Decoder* decoder, const Mp3Header* format);
// Decodes whole frames (at most MP3_SOURCE_CAPACITY bytes); *used is what
// the decoder took of them, and *pcm_bytes of PCM are in decoder->pcm. 0
// when the conversion fails.
int mp3_decoder_convert(Mp3Decoder* decoder, const uint8_t* frames, uint32_t length, uint32_t* used,
                        uint32_t* pcm_bytes);
void mp3_decoder_close(Mp3Decoder* decoder);
