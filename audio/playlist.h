// Playlist files (.m3u, .m3u8, .pls): which paths are playlists, reading
// their entries, and where an entry's file is.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// A list's entries past this many are not read.
constexpr int PLAYLIST_ENTRY_CAPACITY = 1000;
// Only this much of a list's file is read: a thousand entries with their
// titles fit many times over.
constexpr DWORD PLAYLIST_READ_LIMIT = 1 << 20;

enum PlaylistFormat : int32_t {
    PLAYLIST_NONE = 0,
    PLAYLIST_M3U = 1,
    PLAYLIST_M3U8 = 2,
    PLAYLIST_PLS = 3,
};

// What an entry names: a local file, or a station's address.
enum PlaylistEntryKind : int32_t {
    PLAYLIST_ENTRY_FILE = 0,
    PLAYLIST_ENTRY_STREAM = 1,
};

// One thing a list says, as its reader hands it on: entry number `number`
// is at `location` (as written: absolute, or relative to the list's folder),
// titled `title`. A .pls names an entry's file and its title on lines of
// their own, so either may be null. Texts are UTF-8 when `utf8` is 1, else
// in the system code page, and hold at most 255 bytes.
struct PlaylistLine {
    int32_t number;
    const char* location;
    const char* title;
    int32_t utf8;
};

// Takes each line in the order of the file; 0 to stop the reading.
typedef int (*PlaylistVisitor)(const PlaylistLine* line, void* context);

// The format that the path's extension names (case aside), or PLAYLIST_NONE.
int32_t playlist_format(const char* path);
// Reads a list's bytes as the given format: numbers run from 1 and stay
// within PLAYLIST_ENTRY_CAPACITY; comments, #EXTINF lines and other keys are
// not entries; an over-long location is skipped. 0 for what is no list of
// that format (binary bytes, a .pls without its section header), else 1.
int playlist_parse(const char* bytes, DWORD size, int32_t format, PlaylistVisitor visit,
                   void* context);
// The same for the file at path, of the format its name gives; 0 also when
// it does not open or is empty.
int playlist_read(const char* path, PlaylistVisitor visit, void* context);
int32_t playlist_entry_kind(const char* location);
// The wide path the filter graph takes for an entry of the list at
// list_path (a station's address as it is); 0 when it does not fit in 256
// characters.
int playlist_entry_wide_path(const char* list_path, const char* location, int32_t utf8,
                             WCHAR* wide);
// A list's text as the system code page shows it, cut to fit size bytes.
void playlist_display_text(const char* text, int32_t utf8, char* out, int size);
