// The media player's filter graph, on the player thread: the tests of the
// files, the graph that plays a preset's file or a playlist's entry, its
// loop and its events, the volume; and what the thread reports of it.
#pragma once

#include "audio/media.h"
#include "audio/player_queue.h"

struct MediaPlayerState {
    // The graph and its interfaces: all or none of the first five exist
    // (none when the graph could not be made); video only after a render.
    IGraphBuilder* graph;
    IMediaControl* control;
    IMediaEventEx* events;
    IBasicAudio* audio;
    IMediaSeeking* seeking;
    IVideoWindow* video;
    // What starts the graph at a time of its reference clock, or null: the
    // graph then runs as it likes, and each pass ends when it says so.
    IMediaFilter* filter;
    // The running graph's event handle, which the thread waits on; the
    // graph's own, never closed here.
    HANDLE event_handle;
    // The handle woke the thread but no event could be read: the events
    // are looked at now and then instead, until one is read.
    int32_t events_stuck;
    int32_t video_left;
    int32_t video_top;
    int32_t video_width;
    int32_t video_height;
    VolumeLevel volume;  // always within -10000..0
    int32_t looping;
    int32_t playing;
    // The pass playing: when it starts on the graph's reference clock (0:
    // not known), and, once its end has been reported, when that end is
    // heard (0: none awaited). A renderer may report the end while it still
    // holds the pass's last part: the loop or the next entry waits for it.
    REFERENCE_TIME pass_start;
    REFERENCE_TIME pass_end;
    int32_t streaming;   // a station plays instead
    int32_t request;     // the serial of the play, step or stop served last
    MediaHandle handle;  // what it was for
    HWND notify_window;  // told of a station's news
};

extern MediaPlayerState media_player;

void media_serve(const PlayerRequest& request);
// Reads the graph's events: a looping file is rewound at its end, a
// playlist's entry that ended or failed gives way to the next. Never waits;
// the number of events read.
int media_on_events();
// Does what is due (a pass's end heard, events to look at while the event
// handle cannot be trusted) and says how long the thread may wait before
// it is due again (INFINITE: nothing is). Then what the thread waits on for
// the graph's events, or null.
DWORD media_watch();
HANDLE media_wait_handle();

// The graph's part for the playlist player, on wide paths: 1 when the file
// renders into the graph there is; 1 when a new graph plays it. A station
// plays instead of the graph; 1.
int media_test_file(const WCHAR* path);
int media_play_file(const WCHAR* path, int loop);
int media_play_stream(const WCHAR* address);
// Nothing sounds: the graph is stopped, the station let go.
void media_silence();
// Reports what plays now for the request served last.
void media_report_plays(int32_t plays, const char* title);
