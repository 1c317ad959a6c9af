// The media file player: preset files through a filter graph. A preset's
// file may be a playlist, whose entries the playlist player hands back to
// the graph one by one, and whose station addresses go to the stream
// player.
#pragma once

#include "common/audio_types.h"
#include "platform/win32.h"

// The message the graph posts to the event window when it has events.
constexpr UINT MEDIA_EVENT_MESSAGE = WM_APP + 1;

// Room for the temporary files made from resources; a preset names at most
// one each, so twelve would do.
constexpr int TEMP_FILE_CAPACITY = 64;

// The temporary files made from resources since the last media_shutdown.
// Handles point at the names, so entries never move while counted.
struct TempFileTable {
    char names[TEMP_FILE_CAPACITY][256];
    int32_t count;
};

struct MediaPlayerState {
    // The graph and its interfaces: all or none of the first five exist
    // (none when the graph could not be made); video only after a render.
    IGraphBuilder* graph;
    IMediaControl* control;
    IMediaEventEx* events;
    IBasicAudio* audio;
    IMediaSeeking* seeking;
    IVideoWindow* video;
    int32_t video_left;
    int32_t video_top;
    int32_t video_width;
    int32_t video_height;
    VolumeLevel volume;  // always within -10000..0
    int32_t looping;
    int32_t playing;
    int32_t streaming;  // a station plays, through the stream player
    HWND event_window;
    HINSTANCE module_instance;
    TempFileTable temp_files;
};

extern MediaPlayerState media_player;

int media_init(HINSTANCE instance, int left, int top, int width, int height);
MediaHandle media_open(const char* name);
int media_play(MediaHandle handle, int loop);
int media_stop();
int media_set_volume(VolumeLevel level);
int media_shutdown();
void media_on_events();
LRESULT CALLBACK media_event_wndproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// A playlist's handle: plays the entry before (-1) or after (1) the one that
// played, wrapping at the ends; 1. Any other handle is left alone.
int media_step(MediaHandle handle, int direction);
// A preset named name that plays the handle, as its tooltip names it: what
// plays of a playlist, or the name alone.
const char* media_playing_text(MediaHandle handle, const char* name);

// The graph's part for the playlist player, on wide paths: 1 when the file
// renders into the graph there is; 1 when a new graph plays it. A station
// plays in the stream player instead, with the graph stopped; 1.
int media_test_file(const WCHAR* path);
int media_play_file(const WCHAR* path, int loop);
int media_play_stream(const WCHAR* address);
