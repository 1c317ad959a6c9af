// An internet radio station as the player's thread plays it: the HTTP
// connection, the ICY metadata cut out, MP3 frames found and decoded, and
// the PCM written ahead into a streaming sound buffer; and when the station
// cannot be heard, the retries: after 1 s, then twice as long each time up
// to 30 s, a station heard for 10 s starting the count again.
//
// Nothing here waits: the network reports through the event given at
// creation, and station_service does what is due and says when it wants
// to be called again. Everything but the creation runs on one thread.
#pragma once

#include "audio/icy_metadata.h"
#include "audio/mp3_decoder.h"
#include "audio/mp3_frames.h"
#include "audio/station_http.h"
#include "audio/stream_output.h"
#include "common/audio_types.h"
#include "platform/win32.h"

enum StationStatus : int32_t {
    STATION_IDLE = 0,
    STATION_CONNECTING = 1,    // asked for, not heard yet
    STATION_PLAYING = 2,       // its sound is playing
    STATION_LOST = 3,          // out of reach, dropped or stalled: tried again later
    STATION_OTHER_FORMAT = 4,  // sends audio the radio does not play (named)
};

constexpr DWORD STATION_RETRY_FIRST_MS = 1000;
constexpr DWORD STATION_RETRY_LAST_MS = 30000;
// Heard this long, a station is back: its next loss retries after 1 s.
constexpr DWORD STATION_STEADY_MS = 10000;
// From the request to the answer's headers; from them to the first frame.
constexpr DWORD STATION_ANSWER_MS = 8000;
constexpr DWORD STATION_FIRST_FRAME_MS = 5000;
// A playing station that sends nothing this long has stalled.
constexpr DWORD STATION_STALL_MS = 5000;
// How often a playing station's buffer is topped up.
constexpr DWORD STATION_SERVICE_MS = 100;
// Bytes of the stream kept before decoding; bytes without an MP3 frame
// after which the stream is taken for something else.
constexpr uint32_t STATION_BACKLOG = 64 * 1024;
constexpr uint32_t STATION_SNIFF_LIMIT = 32 * 1024;
// Connection slots a retry leaves free (of STATION_ATTEMPTS): a station is
// retried only once the network has let go of all its earlier attempts.
constexpr int STATION_ATTEMPTS_KEPT_FREE = STATION_ATTEMPTS - 1;

struct Station {
    StationHttp http;
    IDirectSound8* device;
    int32_t wanted;
    char url[STATION_URL_CAPACITY];
    VolumeLevel volume;

    // What it reports.
    int32_t status;
    const char* other_format;  // the format's name while STATION_OTHER_FORMAT
    int32_t title_changed;     // set with a new title; the reader clears it
    char title[ICY_TITLE_CAPACITY];

    // The attempt under way.
    int32_t answered;  // its headers have been looked at
    int32_t format;    // a StreamFormat
    DWORD asked_at;
    DWORD answered_at;
    DWORD bytes_at;     // when bytes last came
    DWORD playing_at;   // when its sound began
    uint32_t unframed;  // bytes looked at without finding a frame
    DWORD retry_at;
    DWORD delay;

    IcyState icy;
    Mp3FrameFinder finder;
    Mp3Decoder decoder;
    StreamOutput output;
    uint32_t pcm_offset;  // decoded PCM not yet written, in decoder.pcm
    uint32_t pcm_length;
    uint32_t backlog_length;
    uint8_t backlog[STATION_BACKLOG];
};

// A station player whose network reports set wake and whose sound plays on
// device (held until station_end); null when there is no memory for it.
Station* station_create(HANDLE wake, IDirectSound8* device);
// Plays the station at the address from now on, at the volume.
void station_play(Station* station, const WCHAR* address, VolumeLevel volume);
// Stops its sound and its connection at once.
void station_stop(Station* station);
void station_set_volume(Station* station, VolumeLevel volume);
// Does what is due; the milliseconds until it wants to be called again
// (INFINITE when it plays nothing).
DWORD station_service(Station* station);
// Stops for good and lets the sound device go.
void station_end(Station* station);
// Frees the station once the network has let go of its connections; 1
// when freed, 0 while it still holds one (ask again later).
int station_destroy(Station* station);
