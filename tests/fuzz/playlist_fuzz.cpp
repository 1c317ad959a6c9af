// Fuzzes the playlist reader: any bytes as each of the three formats. The
// reader reads nothing past the bytes (the fuzzer's copy is exactly that
// long), and whatever it hands on is a terminated text of a buffer's size
// at an entry number within the capacity, which the player can resolve and
// show.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "audio/playlist.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "playlist fuzz: %s\n", what);
        abort();
    }
}

int take(const PlaylistLine* line, void*) {
    check(line->number >= 1 && line->number <= PLAYLIST_ENTRY_CAPACITY, "number out of range");
    check(line->location != nullptr || line->title != nullptr, "a line with nothing in it");
    if (line->location != nullptr) {
        check(strlen(line->location) < 256, "a location longer than its buffer");
        WCHAR wide[256];
        playlist_entry_wide_path("/lists/trip.m3u", line->location, line->utf8, wide);
        playlist_entry_kind(line->location);
    }
    if (line->title != nullptr) {
        check(strlen(line->title) < 256, "a title longer than its buffer");
        char shown[256];
        playlist_display_text(line->title, line->utf8, shown, sizeof shown);
    }
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    for (int32_t format : {PLAYLIST_M3U, PLAYLIST_M3U8, PLAYLIST_PLS}) {
        playlist_parse(reinterpret_cast<const char*>(bytes), static_cast<DWORD>(size), format, take,
                       nullptr);
    }
    return 0;
}
