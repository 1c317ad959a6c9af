// The static a station out of reach plays: a looping sound buffer of the
// panel's thread, at the media volume, started and stopped as the player
// thread's reports say, and stopped at once with the station.
#pragma once

#include "common/audio_types.h"
#include "platform/win32.h"

struct StationStaticState {
    IDirectSoundBuffer* sound;  // made when first played
    int32_t playing;
    VolumeLevel volume;
};

extern StationStaticState station_static;

// Plays while the station last asked for cannot be heard.
void station_static_follow();
void station_static_stop();
void station_static_volume(VolumeLevel level);
void station_static_release();
