// The stream player: an internet radio station (audio/station.h) played on
// a thread of the player's own, which also waits for the station's network
// reports. The panel's thread only posts requests and reads what the thread
// reports, under a lock it holds for a copy's length. A station has no
// end: when it drops or cannot be reached the player plays soft static and
// tries again, after 1 s, then twice as long each time up to 30 s, until
// the station answers or the player is stopped.
#pragma once

#include "common/audio_types.h"
#include "platform/win32.h"

// The message the stream thread posts to the notify window when the
// station's state changes.
constexpr UINT STREAM_EVENT_MESSAGE = WM_APP + 2;

enum StreamStatus : int32_t {
    STREAM_STOPPED = 0,
    STREAM_CONNECTING = 1,  // asked for, not heard yet
    STREAM_PLAYING = 2,
    STREAM_RETRYING = 3,      // lost or out of reach: static until it answers
    STREAM_OTHER_FORMAT = 4,  // sends audio the radio does not play
};

struct StreamPlayerState {
    // Made when a station first plays, and kept while a thread may use them.
    CRITICAL_SECTION lock;
    HANDLE wake;  // automatic reset: a request waits for the thread
    int32_t ready;

    // Under the lock. The panel's side: what it asks.
    int32_t generation;  // a thread whose own differs is to end
    int32_t request;     // counts the changes of station (or to none)
    int32_t play;
    WCHAR address[256];
    VolumeLevel volume;
    // The thread's side: what it reports, for the current request only.
    int32_t status;
    const char* other_format;  // the format's name while STREAM_OTHER_FORMAT
    char title[256];
    int32_t threads;  // running threads that may still touch this record

    // The panel thread's own.
    HANDLE thread;
    HMODULE module;  // loaded once more for each thread, which frees it
    HINSTANCE module_instance;
    HWND notify_window;
    IDirectSound8* device;  // held for the next thread to take
    IDirectSoundBuffer* static_sound;
    int32_t static_playing;
};

extern StreamPlayerState stream_player;

// The module the player's code is in (null: the program's own), and where
// the thread's reports are posted (STREAM_EVENT_MESSAGE); 1.
int stream_init(HINSTANCE module_instance, HWND notify_window);
// Plays the station at the address; 1. Returns at once.
int stream_play(const WCHAR* address);
// Stops the station and its static at once; 1.
int stream_stop();
int stream_set_volume(VolumeLevel level);
// Ends the thread, waiting a short time for it: a thread still waiting on
// the network ends on its own when it returns; 1.
int stream_shutdown();
// On STREAM_EVENT_MESSAGE: the static follows the station's state.
void stream_on_events();
int32_t stream_status();
// The title the station sends, copied into out (empty when none); 1 when
// there is one.
int stream_title(char* out, int size);
// What a tooltip says after the station's name of a station that cannot be
// heard: " (no signal)", " (AAC stream, not played)"; empty otherwise.
void stream_signal_text(char* out, int size);
