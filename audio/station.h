// An internet radio station as the player's thread plays it: the HTTP
// connection, the ICY metadata cut out, MP3 frames found and decoded, and
// the PCM written ahead into a streaming sound buffer; and when the station
// cannot be heard, the retries: after 1 s, then twice as long each time up
// to 30 s, a station heard for 10 s starting the count again.
//
// Nothing here waits but station_destroy: the network reports through the
// event given at creation, and station_service does what is due and says
// when it wants to be called again. Everything runs on one thread.
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
// How often a station being destroyed asks whether the network has let go
// of its connections; how long the last report is given to return.
constexpr DWORD STATION_LINGER_MS = 100;
constexpr DWORD STATION_REPORT_RETURN_MS = 20;
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
    HANDLE own_wake;  // what the network's reports set once detached
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

// A station player whose network reports set wake; null when there is no
// memory or no event for it.
Station* station_create(HANDLE wake);
// Plays the station at the address from now on, at the volume, on the
// device (held while the station is wanted).
void station_play(Station* station, const WCHAR* address, VolumeLevel volume,
                  IDirectSound8* device);
// Stops its sound and its connection at once, and lets the device go.
void station_stop(Station* station);
void station_set_volume(Station* station, VolumeLevel volume);
// Does what is due; the milliseconds until it wants to be called again
// (INFINITE when it plays nothing).
DWORD station_service(Station* station);
// From now on the network's reports set an event of the station's own
// instead of the one given at creation, which may then be closed. Returns
// at once.
void station_detach(Station* station);
// Stops for good and frees the station once the network has let go of its
// connections: this waits as long as the network holds one, touching
// nothing but the station. After station_detach only.
void station_destroy(Station* station);
