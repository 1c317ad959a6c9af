// The playlist a preset plays: its entries, the one playing, and the steps
// from one to the next. The media player hands it every playlist handle.
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
    char shown_title[256];
    char shown_text[256];
    PlaylistEntry entries[PLAYLIST_ENTRY_CAPACITY];
};

extern PlaylistPlayerState playlist_player;

// 1 when the list at path reads and one of its entries opens.
int playlist_open(const char* path);
// Reads the list again and plays from its first entry that opens.
void playlist_play(MediaHandle handle, int loop);
// Plays the first entry that opens before (-1) or after (1) the one that
// played, wrapping at both ends.
void playlist_step(MediaHandle handle, int direction);
// An entry played to its end: the next one starts.
void playlist_on_entry_end();
// Nothing of the list plays any more.
void playlist_stop();
// The title of the entry playing for that handle (a station's own name), or
// null.
const char* playlist_playing_title(MediaHandle handle);
// What plays for that handle, named for a tooltip: the list's name and the
// entry's title, or the station's name and the title it sends ("(no
// signal)" while it cannot be heard); null when nothing of the list plays.
const char* playlist_playing_text(MediaHandle handle, const char* list_name);
