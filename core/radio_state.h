// The radio's one state record, as it starts at load and as the controls
// and the settings change it, and the other records the radio keeps.
#pragma once

#include "common/audio_types.h"
#include "platform/win32.h"

// The source the radio plays.
enum RadioMode : int32_t {
    MODE_CD = 0,
    MODE_FM = 1,
    MODE_AM = 2,
};

struct RadioState {
    int32_t power;
    int32_t mode;
    int32_t preset;
    int32_t lamp;
    int32_t paused;
    int32_t door_open;
    int32_t cd_playing;
    int32_t current_track;
    VolumeLevel media_volume;
    VolumeLevel cd_volume;
};

// The radio as the module is loaded: off, in CD mode, preset 1. A settings
// file, where there is one, then gives the volumes.
constexpr RadioState RADIO_STATE_AT_LOAD = {
    0,        // power
    MODE_CD,  // mode
    0,        // preset
    0,        // lamp
    0,        // paused
    0,        // door_open
    0,        // cd_playing
    0,        // current_track
    -2000,    // media_volume
    -8000,    // cd_volume
};

extern RadioState radio_state;

// The folder the open-file dialog starts in, as loaded until the settings
// file or a choice moves it.
#define BROWSE_FOLDER_AT_LOAD ".\\Sound\\"
extern char browse_folder[260];

// The click, made at pre-install by the click sound back-end.
extern IDirectSoundBuffer* click_sound;
