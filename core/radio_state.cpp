// The radio's state as the module is loaded: off, in CD mode, preset 1.
#include "core/radio_state.h"

RadioState radio_state = {
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

char browse_folder[260] = ".\\Sound\\";
IDirectSoundBuffer* click_sound = nullptr;
