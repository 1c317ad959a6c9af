// The playlist player, on the player thread. Each entry plays where its
// kind plays: a file through the media player's filter graph, a station's
// address through the station. A file entry that does not open is passed
// over at once, so one list's start or step tries each entry at most once.
// A station is never tried here: one that cannot be reached is the
// station's to retry, never passed over. A list whose entries one after
// another fail to play, a whole round of them, rests in silence until it is
// played or stepped again: it never renders file after file for ever.
#include "audio/playlist_player.h"

#include <cstring>

#include "audio/media_graph.h"

PlaylistPlayerState playlist_player;

namespace {

// 1 when entry `location` of the list at list_path renders, or is a
// station's address; used before a list is loaded, so it takes the list's
// path and encoding.
int playlist_entry_opens(const char* list_path, const char* location, int32_t utf8) {
    WCHAR wide[256];
    if (location[0] == '\0' || playlist_entry_wide_path(list_path, location, utf8, wide) == 0) {
        return 0;
    }
    return playlist_entry_kind(location) == PLAYLIST_ENTRY_STREAM ? 1 : media_test_file(wide);
}

// The entry's name as a tooltip shows it: its title, else its file's name
// (a station's, its list's).
void playlist_entry_name(const PlaylistEntry& entry, int32_t station, char* out, int size) {
    PlaylistPlayerState& player = playlist_player;
    const char* title = entry.title;
    const char* named = station == 1 ? player.path : entry.location;
    if (title[0] == '\0') {
        title = named;
        for (const char* c = named; *c != '\0'; ++c) {
            if (*c == '\\' || *c == '/') {
                title = c + 1;
            }
        }
    }
    // The list's own path is in the system code page, its lines in its own.
    int32_t utf8 = named == player.path && title != entry.title ? 0 : player.utf8;
    playlist_display_text(title, utf8, out, size);
}

// Starts entry index; 1 when it plays. A list of one entry loops it as the
// file alone would.
int playlist_entry_start(int32_t index) {
    PlaylistPlayerState& player = playlist_player;
    const PlaylistEntry& entry = player.entries[index];
    WCHAR wide[256];
    if (entry.location[0] == '\0' ||
        playlist_entry_wide_path(player.path, entry.location, player.utf8, wide) == 0) {
        return 0;
    }
    int32_t station = playlist_entry_kind(entry.location) == PLAYLIST_ENTRY_STREAM ? 1 : 0;
    char name[256];
    playlist_entry_name(entry, station, name, sizeof name);
    if (station == 1) {
        media_report_plays(MEDIA_PLAYS_STATION, name);
        return media_play_stream(wide);
    }
    if (media_play_file(wide, player.count == 1 ? player.looping : 0) == 0) {
        return 0;
    }
    media_report_plays(MEDIA_PLAYS_ENTRY, name);
    return 1;
}

// A whole round of entries has not played: the list rests in silence.
bool playlist_rests() {
    PlaylistPlayerState& player = playlist_player;
    if (player.misses < player.count) {
        return false;
    }
    media_silence();
    player.playing = 0;
    media_report_plays(MEDIA_PLAYS_REST, "");
    return true;
}

// Plays the first entry from index on, in direction, that starts; without
// wrap it stops at the list's end. Nothing playing leaves the player
// stopped.
void playlist_play_from(int32_t index, int direction, int32_t wrap) {
    PlaylistPlayerState& player = playlist_player;
    for (int32_t tried = 0; tried < player.count; ++tried) {
        if (index < 0 || index >= player.count) {
            if (wrap == 0) {
                break;
            }
            index = index < 0 ? player.count - 1 : 0;
        }
        if (playlist_entry_start(index) == 1) {
            player.current = index;
            player.playing = 1;
            return;
        }
        ++player.misses;
        if (playlist_rests()) {
            return;
        }
        index += direction;
    }
    media_silence();
    player.playing = 0;
    media_report_plays(MEDIA_PLAYS_NOTHING, "");
}

// Takes one line into the table: an entry's number is its place.
int playlist_take_line(const PlaylistLine* line, void*) {
    PlaylistPlayerState& player = playlist_player;
    player.utf8 = line->utf8;
    while (player.count < line->number) {
        PlaylistEntry& skipped = player.entries[player.count++];
        skipped.location[0] = '\0';
        skipped.title[0] = '\0';
    }
    PlaylistEntry& entry = player.entries[line->number - 1];
    if (line->location != nullptr) {
        strcpy(entry.location, line->location);
    }
    if (line->title != nullptr) {
        strcpy(entry.title, line->title);
    }
    return 1;
}

void playlist_load(MediaHandle handle, const char* path) {
    PlaylistPlayerState& player = playlist_player;
    player.handle = handle;
    size_t length = strnlen(path, sizeof player.path - 1);
    memcpy(player.path, path, length);
    player.path[length] = '\0';
    player.count = 0;
    player.current = -1;
    player.playing = 0;
    if (playlist_read(player.path, playlist_take_line, nullptr) == 0) {
        player.count = 0;
    }
}

// The opening test of a list: its entries in the file's order until one
// renders.
struct PlaylistOpening {
    const char* path;
    int32_t opened;
};

int playlist_test_line(const PlaylistLine* line, void* context) {
    PlaylistOpening* opening = static_cast<PlaylistOpening*>(context);
    if (line->location != nullptr) {
        opening->opened = playlist_entry_opens(opening->path, line->location, line->utf8);
    }
    return opening->opened == 1 ? 0 : 1;
}

}  // namespace

int playlist_open(const char* path) {
    PlaylistOpening opening = {path, 0};
    return playlist_read(path, playlist_test_line, &opening) == 1 && opening.opened == 1 ? 1 : 0;
}

void playlist_play(MediaHandle handle, const char* path, int loop) {
    playlist_load(handle, path);
    playlist_player.looping = loop == 1 ? 1 : 0;
    playlist_player.misses = 0;
    playlist_play_from(0, 1, playlist_player.looping);
}

void playlist_step(MediaHandle handle, const char* path, int direction) {
    PlaylistPlayerState& player = playlist_player;
    if (handle != player.handle || strcmp(path, player.path) != 0) {
        playlist_load(handle, path);
        player.looping = 1;
    }
    player.misses = 0;
    playlist_play_from(player.current + direction, direction, 1);
}

void playlist_on_entry_end(int played) {
    PlaylistPlayerState& player = playlist_player;
    player.misses = played == 1 ? 0 : player.misses + 1;
    if (!playlist_rests()) {
        playlist_play_from(player.current + 1, 1, player.looping);
    }
}

void playlist_stop() {
    playlist_player.playing = 0;
}
