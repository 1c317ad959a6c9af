// The media file player as the panel's thread sees it. A preset's file, a
// playlist's entries and a playlist's stations play on the player thread;
// these operations post requests to it and return at once, and the answers
// (a file's test, what plays) are read from what the thread reports.
#pragma once

#include "common/audio_types.h"
#include "platform/win32.h"

// The message the player thread posts to the event window when a station's
// state changes: its static follows.
constexpr UINT STREAM_EVENT_MESSAGE = WM_APP + 2;

// Room for the temporary files made from resources; a preset names at most
// one each, so twelve would do.
constexpr int TEMP_FILE_CAPACITY = 64;

// The temporary files made from resources since the last media_shutdown.
// Handles point at the names, so entries never move while counted.
struct TempFileTable {
    char names[TEMP_FILE_CAPACITY][256];
    int32_t count;
};

// The panel thread's own part of the player.
struct MediaPanelState {
    HINSTANCE module_instance;
    HWND event_window;
    TempFileTable temp_files;
    VolumeLevel volume;  // always within -10000..0
    int32_t asked;       // the serial of the last play, step or stop posted
    char shown_text[256];
};

extern MediaPanelState media_panel;

// What a test of a file answered, as media_opened tells it.
enum MediaOpened : int32_t {
    MEDIA_OPEN_FAILED = 0,
    MEDIA_OPEN_OK = 1,
    MEDIA_OPEN_PENDING = -1,  // the test is on its way
};

// What plays for the handle the thread last served, as the report says.
enum MediaPlays : int32_t {
    MEDIA_PLAYS_NOTHING = 0,
    MEDIA_PLAYS_FILE = 1,
    MEDIA_PLAYS_ENTRY = 2,    // a playlist's file entry
    MEDIA_PLAYS_STATION = 3,  // a playlist's station
    MEDIA_PLAYS_REST = 4,     // a playlist none of whose entries played, until pressed again
};

// What the player thread reports, under the player's lock.
struct MediaReport {
    int32_t request;  // the serial of the play, step or stop these describe
    MediaHandle handle;
    int32_t plays;
    char title[256];          // the entry's or the station's name, as a tooltip shows it
    int32_t station_status;   // a StationStatus
    char station_title[256];  // what the station says it plays
    char station_format[16];  // what it sends instead of MP3, while STATION_OTHER_FORMAT
};

extern MediaReport media_report;

int media_init(HINSTANCE instance, int left, int top, int width, int height);
// The handle of a file, playlist or resource name at once (a resource is
// copied to a temporary file first); its test is made on the player thread
// and answered through media_opened. 0 for what can never play: an
// address alone, a name too long, a resource that cannot be copied.
MediaHandle media_open(const char* name);
// The same, for a name whose file `opened` names too: tested only when that
// test passed.
MediaHandle media_reopen(const char* name, MediaHandle opened);
// The answer to the handle's last test.
int32_t media_opened(MediaHandle handle);
// Plays the handle's file (or list) from its start; a handle whose last
// test failed plays nothing. 1.
int media_play(MediaHandle handle, int loop);
int media_stop();
int media_set_volume(VolumeLevel level);
// Ends the player thread (waiting a short time for it) and deletes the
// temporary files; 1.
int media_shutdown();
LRESULT CALLBACK media_event_wndproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// A playlist's handle: plays the entry before (-1) or after (1) the one that
// played, wrapping at the ends; 1. Any other handle is left alone.
int media_step(MediaHandle handle, int direction);
// A preset named name that plays the handle, as its tooltip names it: the
// list's name and the entry playing ("Road trip.m3u: Take Five.mp3"), the
// station's name and what it plays ("Jazz FM: Miles Davis - So What",
// "Jazz FM (no signal)", "Jazz FM (AAC stream, not played)"), a list that
// rests ("Road trip.m3u (nothing plays)"), or the name alone.
const char* media_playing_text(MediaHandle handle, const char* name);
// The station's state (a StationStatus), for the request last posted
// (STATION_IDLE when none plays).
int32_t media_station_status();
