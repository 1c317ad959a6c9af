// The radio's one state record and the front-panel control handlers.
#pragma once

#include "core/shared_types.h"
#include "gauge/panel_records.h"

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

extern RadioState radio_state;

// The folder the open-file dialog starts in.
extern char browse_folder[260];
// What the dialog chose: the full path and the file title.
extern char dialog_path[256];
extern char dialog_title[256];

// The click, made at pre-install by the click sound back-end.
extern IDirectSoundBuffer* click_sound;

// Mouse event flags the preset handlers tell apart.
constexpr FLAGS CLICK_LEFT_SINGLE = 0x20000000;
constexpr FLAGS CLICK_RIGHT_SINGLE = 0x80000000;

// One volume button press moves a level this far.
constexpr VolumeLevel VOLUME_STEP = 150;

BOOL FSAPI on_power(PIXPOINT* point, FLAGS flags);
BOOL FSAPI on_door(PIXPOINT* point, FLAGS flags);
BOOL FSAPI on_mode_cd(PIXPOINT* point, FLAGS flags);
BOOL FSAPI on_mode_fm(PIXPOINT* point, FLAGS flags);
BOOL FSAPI on_mode_am(PIXPOINT* point, FLAGS flags);
// The six preset buttons, k = 1 to 6.
template <int k>
BOOL FSAPI on_preset(PIXPOINT* point, FLAGS flags);
BOOL FSAPI on_volume_down(PIXPOINT* point, FLAGS flags);
BOOL FSAPI on_volume_up(PIXPOINT* point, FLAGS flags);
BOOL FSAPI on_prev_track(PIXPOINT* point, FLAGS flags);
BOOL FSAPI on_next_track(PIXPOINT* point, FLAGS flags);
BOOL FSAPI on_pause(PIXPOINT* point, FLAGS flags);

extern template BOOL FSAPI on_preset<1>(PIXPOINT*, FLAGS);
extern template BOOL FSAPI on_preset<2>(PIXPOINT*, FLAGS);
extern template BOOL FSAPI on_preset<3>(PIXPOINT*, FLAGS);
extern template BOOL FSAPI on_preset<4>(PIXPOINT*, FLAGS);
extern template BOOL FSAPI on_preset<5>(PIXPOINT*, FLAGS);
extern template BOOL FSAPI on_preset<6>(PIXPOINT*, FLAGS);

// Asks the user for an audio file; 1 when one was chosen.
int choose_audio_file();
