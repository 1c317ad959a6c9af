// The layer III frame finder. A header is 32 bits: 11 sync bits, the
// version, the layer, a protection bit, the bitrate and rate indexes, the
// padding bit, a private bit, then the channel mode and the rest.
#include "audio/mp3_frames.h"

namespace {

// Kilobits a second, by bitrate index; index 0 (free format) and 15 are
// not frames a stream can be found by.
const int32_t MP3_BITRATES_V1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                     112, 128, 160, 192, 224, 256, 320, 0};
const int32_t MP3_BITRATES_V2[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                     64, 80, 96, 112, 128, 144, 160, 0};
const int32_t MP3_RATES_V1[3] = {44100, 48000, 32000};

// 1 when the headers that the one at `at` predicts follow it, each at the
// end of the one before; -1 when the bytes end before they can tell.
int mp3_confirmed(const uint8_t* bytes, uint32_t length, uint32_t at, const Mp3Header* first) {
    Mp3Header next;
    uint32_t offset = at + first->frame_bytes;
    for (int seen = 1; seen < MP3_CONFIRM_FRAMES; ++seen) {
        if (offset + 4 > length) {
            return -1;
        }
        if (mp3_header_parse(bytes + offset, &next) == 0 || mp3_same_stream(first, &next) == 0) {
            return 0;
        }
        offset += next.frame_bytes;
    }
    return 1;
}

}  // namespace

int mp3_header_parse(const uint8_t* bytes, Mp3Header* header) {
    if (bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) {
        return 0;
    }
    int version = (bytes[1] >> 3) & 3;  // 0: 2.5, 1: reserved, 2: 2, 3: 1
    int layer = (bytes[1] >> 1) & 3;    // 1: layer III
    int bitrate_index = bytes[2] >> 4;
    int rate_index = (bytes[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrate_index == 0 || bitrate_index == 15 ||
        rate_index == 3) {
        return 0;
    }
    header->mpeg1 = version == 3 ? 1 : 0;
    int divisor = version == 3 ? 1 : version == 2 ? 2 : 4;
    header->sample_rate = MP3_RATES_V1[rate_index] / divisor;
    header->channels = (bytes[3] >> 6) == 3 ? 1 : 2;
    header->bitrate = (version == 3 ? MP3_BITRATES_V1 : MP3_BITRATES_V2)[bitrate_index] * 1000;
    header->padded = (bytes[2] >> 1) & 1;
    header->samples = version == 3 ? 1152 : 576;
    uint32_t slot_bytes = static_cast<uint32_t>(header->samples / 8) *
                          static_cast<uint32_t>(header->bitrate) /
                          static_cast<uint32_t>(header->sample_rate);
    header->frame_bytes = slot_bytes + static_cast<uint32_t>(header->padded);
    return 1;
}

int mp3_same_stream(const Mp3Header* a, const Mp3Header* b) {
    return a->mpeg1 == b->mpeg1 && a->sample_rate == b->sample_rate && a->channels == b->channels
               ? 1
               : 0;
}

int32_t mp3_next_frame(Mp3FrameFinder* finder, const uint8_t* bytes, uint32_t length,
                       uint32_t* start, Mp3Header* header) {
    *start = 0;
    if (finder->locked == 1) {
        if (length < 4) {
            return MP3_NEED_MORE;
        }
        if (mp3_header_parse(bytes, header) == 1 && mp3_same_stream(&finder->format, header) == 1) {
            return header->frame_bytes <= length ? MP3_FRAME : MP3_NEED_MORE;
        }
        finder->locked = 0;
    }
    for (uint32_t at = 0; at + 4 <= length; ++at) {
        if (mp3_header_parse(bytes + at, header) == 0) {
            continue;
        }
        int confirmed = mp3_confirmed(bytes, length, at, header);
        if (confirmed == -1) {
            // The candidate is kept until the bytes can tell.
            *start = at;
            return MP3_NEED_MORE;
        }
        if (confirmed == 1) {
            finder->locked = 1;
            finder->format = *header;
            *start = at;
            return MP3_FRAME;
        }
    }
    // Nothing here starts a frame; the last three bytes may start one.
    *start = length > 3 ? length - 3 : 0;
    return MP3_NEED_MORE;
}
