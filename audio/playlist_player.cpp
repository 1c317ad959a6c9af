// The playlist player. Each entry plays where its kind plays: a file through
// the media player's filter graph, a station's address through the stream
// player. A file entry that does not open is passed over at once, so one
// list's start or step tries each entry at most once. A station is never
// tried here: reaching it waits on the network, which the stream player
// does on a thread of its own; so a station entry always opens, and one
// that cannot be reached is the stream player's to retry, never passed over.
#include "audio/playlist_player.h"

#include <cstring>

#include "audio/media.h"
#include "audio/stream_player.h"

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

// Starts entry index; 1 when it plays. A list of one entry loops it as the
// file alone would.
int playlist_entry_start(int32_t index) {
    PlaylistPlayerState& player = playlist_player;
    const char* location = player.entries[index].location;
    WCHAR wide[256];
    if (location[0] == '\0' ||
        playlist_entry_wide_path(player.path, location, player.utf8, wide) == 0) {
        return 0;
    }
    if (playlist_entry_kind(location) == PLAYLIST_ENTRY_STREAM) {
        return media_play_stream(wide);
    }
    return media_play_file(wide, player.count == 1 ? player.looping : 0);
}

// Plays the first entry from index on, in direction, that starts; without
// wrap it stops at the list's end. Nothing playing leaves the player stopped.
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
        index += direction;
    }
    media_stop();
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

void playlist_load(MediaHandle handle) {
    PlaylistPlayerState& player = playlist_player;
    player.handle = handle;
    size_t length = strnlen(handle, sizeof player.path - 1);
    memcpy(player.path, handle, length);
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

void playlist_play(MediaHandle handle, int loop) {
    playlist_load(handle);
    playlist_player.looping = loop == 1 ? 1 : 0;
    playlist_play_from(0, 1, playlist_player.looping);
}

void playlist_step(MediaHandle handle, int direction) {
    PlaylistPlayerState& player = playlist_player;
    if (handle != player.handle || strcmp(handle, player.path) != 0) {
        playlist_load(handle);
        player.looping = 1;
    }
    playlist_play_from(player.current + direction, direction, 1);
}

void playlist_on_entry_end() {
    playlist_play_from(playlist_player.current + 1, 1, playlist_player.looping);
}

void playlist_stop() {
    playlist_player.playing = 0;
}

const char* playlist_playing_title(MediaHandle handle) {
    PlaylistPlayerState& player = playlist_player;
    if (handle == nullptr || handle != player.handle || player.playing == 0 ||
        (media_player.playing == 0 && media_player.streaming == 0)) {
        return nullptr;
    }
    const PlaylistEntry& entry = player.entries[player.current];
    // Without a title a file is named by its file's name, a station by its
    // list's.
    const char* title = entry.title;
    const char* named = media_player.streaming == 1 ? player.path : entry.location;
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
    playlist_display_text(title, utf8, player.shown_title, sizeof player.shown_title);
    return player.shown_title;
}

const char* playlist_playing_text(MediaHandle handle, const char* list_name) {
    const char* title = playlist_playing_title(handle);
    if (title == nullptr) {
        return nullptr;
    }
    // "Road trip.m3u: Take Five.mp3"; "Jazz FM: Miles Davis - So What".
    char now_playing[256] = "";
    char signal[64] = "";
    const char* parts[4] = {list_name, ": ", title, ""};
    if (media_player.streaming == 1) {
        int titled = stream_title(now_playing, sizeof now_playing);
        stream_signal_text(signal, sizeof signal);
        parts[0] = title;
        parts[1] = titled == 1 ? ": " : "";
        parts[2] = now_playing;
        parts[3] = signal;
    }
    char* out = playlist_player.shown_text;
    size_t room = sizeof playlist_player.shown_text - 1;
    for (const char* part : parts) {
        size_t length = strnlen(part, room);
        memcpy(out, part, length);
        out += length;
        room -= length;
    }
    *out = '\0';
    return playlist_player.shown_text;
}
