// Fuzzes what a station's bytes go through before decoding, as the station
// drives it: the first two bytes are the icy-metaint the headers announced,
// the third how the network splits the rest; each piece goes through the
// ICY cutter into a bounded backlog, and the frame finder takes frames off
// its front. Nothing is read past a piece or the backlog, a title always
// fits its record, every frame found lies within the bytes and is a layer
// III frame of a real rate, and the finder always moves on.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/icy_metadata.h"
#include "audio/mp3_frames.h"
#include "audio/stream_format.h"

namespace {

constexpr uint32_t BACKLOG = 64 * 1024;

void check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "station fuzz: %s\n", what);
        abort();
    }
}

// Takes whole frames off the backlog's front, as the station does.
void take_frames(Mp3FrameFinder* finder, std::vector<uint8_t>* backlog, uint32_t* length) {
    for (;;) {
        uint32_t start = 0;
        Mp3Header header;
        int32_t found = mp3_next_frame(finder, backlog->data(), *length, &start, &header);
        check(start <= *length, "a start past the bytes");
        uint32_t used = start;
        if (found == MP3_FRAME) {
            check(header.frame_bytes >= 4 && header.frame_bytes <= MP3_FRAME_MAX,
                  "a frame of an impossible length");
            check(start + header.frame_bytes <= *length, "a frame past the bytes");
            check(header.sample_rate >= 8000 && header.sample_rate <= 48000, "an impossible rate");
            used += header.frame_bytes;
        }
        memmove(backlog->data(), backlog->data() + used, *length - used);
        *length -= used;
        if (found != MP3_FRAME) {
            return;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size < 3) {
        return 0;
    }
    IcyState icy;
    icy_start(&icy, static_cast<uint32_t>(bytes[0]) << 8 | bytes[1]);
    size_t piece = bytes[2] + 1u;
    Mp3FrameFinder finder{};
    // Exactly as long as the station's: the sanitizer sees any read past it.
    std::vector<uint8_t> backlog(BACKLOG);
    uint32_t length = 0;
    for (size_t at = 3; at < size; at += piece) {
        size_t take = size - at < piece ? size - at : piece;
        std::vector<uint8_t> chunk(bytes + at, bytes + at + take);
        uint32_t kept = icy_cut(&icy, chunk.data(), static_cast<uint32_t>(chunk.size()));
        check(kept <= chunk.size(), "more audio than bytes");
        check(strnlen(icy.title, ICY_TITLE_CAPACITY) < ICY_TITLE_CAPACITY, "an unbounded title");
        kept = kept < BACKLOG - length ? kept : BACKLOG - length;
        memcpy(backlog.data() + length, chunk.data(), kept);
        length += kept;
        stream_format_sniff(backlog.data(), length);
        take_frames(&finder, &backlog, &length);
        check(length < BACKLOG, "the finder left the backlog full");
    }
    return 0;
}
