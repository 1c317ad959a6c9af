// The ICY metadata cutter. Every length comes from the server, so each is
// bounded by what the format allows: a block is at most 255 * 16 bytes, a
// title at most the record's room, and nothing is read past what arrived.
#include "audio/icy_metadata.h"

#include <cstring>

namespace {

const char ICY_TITLE_KEY[] = "StreamTitle='";

}  // namespace

void icy_start(IcyState* icy, uint32_t interval) {
    memset(icy, 0, sizeof *icy);
    icy->interval = interval;
    icy->audio_left = interval;
}

int icy_title_of(const char* text, uint32_t length, char* title) {
    const uint32_t key_length = sizeof ICY_TITLE_KEY - 1;
    uint32_t start = 0;
    while (start + key_length <= length && memcmp(text + start, ICY_TITLE_KEY, key_length) != 0) {
        ++start;
    }
    if (start + key_length > length) {
        return 0;
    }
    start += key_length;
    // The value ends at "';" (a title may hold apostrophes of its own), or
    // at the block's end or padding.
    uint32_t end = start;
    while (end < length && text[end] != '\0' &&
           !(text[end] == '\'' && (end + 1 == length || text[end + 1] == ';'))) {
        ++end;
    }
    uint32_t kept = 0;
    for (uint32_t i = start; i < end && kept + 1 < ICY_TITLE_CAPACITY; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        title[kept++] = c < 0x20 ? ' ' : static_cast<char>(c);
    }
    // A multi-byte character cut at the end is not kept in part.
    if (end - start > kept) {
        while (kept > 0 && (static_cast<unsigned char>(title[kept - 1]) & 0xC0) == 0x80) {
            --kept;
        }
        if (kept > 0 && static_cast<unsigned char>(title[kept - 1]) >= 0xC0) {
            --kept;
        }
    }
    title[kept] = '\0';
    return 1;
}

uint32_t icy_cut(IcyState* icy, uint8_t* bytes, uint32_t length) {
    if (icy->interval == 0) {
        return length;
    }
    uint32_t kept = 0;
    uint32_t at = 0;
    while (at < length) {
        if (icy->in_block == 0 && icy->audio_left > 0) {
            uint32_t run = length - at < icy->audio_left ? length - at : icy->audio_left;
            memmove(bytes + kept, bytes + at, run);
            kept += run;
            at += run;
            icy->audio_left -= run;
        } else if (icy->in_block == 0) {
            icy->block_length = static_cast<uint32_t>(bytes[at++]) * 16;
            icy->block_left = icy->block_length;
            icy->in_block = icy->block_length > 0 ? 1 : 0;
            icy->audio_left = icy->block_length > 0 ? 0 : icy->interval;
        } else {
            uint32_t run = length - at < icy->block_left ? length - at : icy->block_left;
            memcpy(icy->block + (icy->block_length - icy->block_left), bytes + at, run);
            at += run;
            icy->block_left -= run;
            if (icy->block_left == 0) {
                if (icy_title_of(icy->block, icy->block_length, icy->title) == 1) {
                    icy->title_changed = 1;
                }
                icy->in_block = 0;
                icy->audio_left = icy->interval;
            }
        }
    }
    return kept;
}
