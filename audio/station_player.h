// The station as the player thread plays it (audio/station.h), one at a
// time, on the panel's sound device, at the media player's volume; its
// state, title and format go into the media player's report, and a change
// of state is posted to the event window, whose static follows. The station
// is made at the first play on a thread and let go at that thread's end.
#pragma once

#include "audio/station.h"
#include "platform/win32.h"

struct StationPlayerState {
    // Under the player's lock: the panel's sound device, offered for the
    // station to play on (a reference of the panel's own).
    IDirectSound8* device;

    // The player thread's own.
    Station* station;
    VolumeLevel volume;  // what the station was given
    int32_t reported;    // the state last reported (-1: report it)
};

extern StationPlayerState station_player;

// The panel's thread: the sound device stations play on from now on (null:
// none); the thread takes a reference of its own when a station starts.
void station_player_offer(IDirectSound8* device);

// --- On the player thread ---
// Plays the station at the address, reporting it as it goes.
void station_player_play(const WCHAR* address);
void station_player_stop();
// Serves the station when that is due, at the media player's volume; the
// milliseconds until it is due again (INFINITE when none is wanted).
DWORD station_player_watch();
// Under the player's lock, as the thread ends: the station, its network's
// reports kept from the player's event from now on, for the thread to
// destroy once it has let everything shared go (null when none). A station
// still playing is reported lost.
Station* station_player_leave();
