// An internet radio station, on the player thread: a filter graph of its
// own, made, rendered (which waits on the network), run, watched and
// released by the station's calls from the thread's loop. A station has no
// end: when it drops or cannot be reached the station is reported lost (the
// panel plays static) and tried again, after 1 s, then twice as long each
// time up to 30 s, until it answers or is stopped.
#pragma once

#include "common/audio_types.h"
#include "platform/win32.h"

constexpr DWORD STREAM_RETRY_FIRST_MS = 1000;
constexpr DWORD STREAM_RETRY_LAST_MS = 30000;

// The station's graph and its watch.
struct StationState {
    IGraphBuilder* graph;
    IMediaControl* control;
    IMediaEventEx* events;
    IBasicAudio* audio;
    IMediaSeeking* seeking;
    VolumeLevel volume;  // what the graph was given
    LONGLONG position;
    DWORD moved_at;
    DWORD connected_at;
    DWORD title_at;

    int32_t wanted;  // a station should play
    WCHAR address[256];
    int32_t status;
    int32_t retrying;
    DWORD delay;
    DWORD retry_at;
};

extern StationState station;

// Plays the station at the address: it is reached at the loop's next
// watch; 1.
int station_play(const WCHAR* address);
void station_stop();
// Reaches, watches or retries the station when that is due, at the media
// player's volume; the milliseconds until it is due again (INFINITE when
// no station is wanted).
DWORD station_watch(DWORD now);
