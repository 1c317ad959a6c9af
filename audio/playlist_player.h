// The playlist a preset plays, on the player thread: its entries, the one
// playing, the steps from one to the next, and the rest of a list none of
// whose entries plays.
#pragma once

#include "audio/playlist.h"
#include "common/audio_types.h"

struct PlaylistEntry {
    // As the list writes them; an empty location is a number the list
    // skips, which plays nothing.
    char location[256];
    char title[256];
};

// One list at a time: only the preset that plays needs its entries.
struct PlaylistPlayerState {
    MediaHandle handle;  // the handle the list was loaded for, or 0
    char path[256];      // its path as loaded
    int32_t utf8;
    int32_t count;
    int32_t current;  // the entry playing, or last played; -1 before the first
    int32_t looping;
    int32_t playing;
    // Entries in a row that did not play (not started, or failed while
    // playing): a whole round of them and the list rests.
    int32_t misses;
    PlaylistEntry entries[PLAYLIST_ENTRY_CAPACITY];
};

extern PlaylistPlayerState playlist_player;

// 1 when the list at path reads and one of its entries opens.
int playlist_open(const char* path);
// Reads the list at path again and plays from its first entry that opens.
void playlist_play(MediaHandle handle, const char* path, int loop);
// Plays the first entry that opens before (-1) or after (1) the one that
// played, wrapping at both ends.
void playlist_step(MediaHandle handle, const char* path, int direction);
// The entry that played came to its end (played 1) or failed (played 0):
// the next one starts.
void playlist_on_entry_end(int played);
// Nothing of the list plays any more.
void playlist_stop();
