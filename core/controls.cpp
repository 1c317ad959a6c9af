// The front-panel control handlers: each changes the radio's state and tells
// the CD player, the media player, the mixer and the click what to do.
#include "core/controls.h"

#include "audio/cd.h"
#include "audio/media.h"
#include "audio/mixer.h"
#include "audio/playlist.h"
#include "audio/sound.h"
#include "core/file_choice.h"
#include "core/presets.h"

namespace {

void click() {
    sound_play(click_sound, 0);
}

// A slot plays only when its file opened (or its test is still on its way:
// then the player plays it only if it passes).
void play_slot(int slot) {
    presets_take_answers();
    MediaHandle handle = preset_table.slots[slot].media_handle;
    if (handle != 0) {
        media_play(handle, 1);
    }
}

// The slot the current preset button selects in FM or AM mode.
int selected_slot() {
    return radio_state.mode == MODE_AM ? radio_state.preset + AM_SLOT_OFFSET : radio_state.preset;
}

// Starts the current source: the preset's track on the CD, else its slot.
void play_current_source() {
    if (radio_state.mode == MODE_CD) {
        cd_play_track(static_cast<UINT>(radio_state.preset) + 1);
    } else {
        play_slot(selected_slot());
    }
}

// Stops whatever the mode plays: the CD, or the media player.
void stop_current_source() {
    if (radio_state.mode == MODE_CD) {
        cd_stop();
    } else {
        media_stop();
    }
}

// Volume buttons test the bound before the step, so a level can pass it by
// less than a step; the back-ends clamp what they apply.
void step_volume(VolumeLevel step) {
    if (radio_state.power == 0) {
        return;
    }
    VolumeLevel& level =
        radio_state.mode == MODE_CD ? radio_state.cd_volume : radio_state.media_volume;
    bool room = step < 0 ? level > VOLUME_SILENT : level < VOLUME_FULL;
    if (!room) {
        return;
    }
    level += step;
    if (radio_state.mode == MODE_CD) {
        mixer_volume_set(level);
    } else {
        media_set_volume(level);
    }
}

// Previous and next step through the disc, or through a playlist preset's
// entries; on a single file they only click.
void step_track(int direction) {
    click();
    if (radio_state.power == 1 && radio_state.mode == MODE_CD) {
        // Unsigned, so that a step back from track 0 asks for 4294967295.
        cd_play_track(static_cast<UINT>(radio_state.current_track) + static_cast<UINT>(direction));
    } else if (radio_state.power == 1) {
        presets_take_answers();
        MediaHandle handle = preset_table.slots[selected_slot()].media_handle;
        if (handle != 0 && playlist_format(handle) != PLAYLIST_NONE) {
            media_step(handle, direction);
        }
    }
    radio_state.paused = 0;
}

void select_fm_or_am(int32_t mode) {
    click();
    cd_stop();
    media_stop();
    radio_state.mode = mode;
    radio_state.paused = 0;
    radio_state.lamp = radio_state.preset + (mode == MODE_AM ? 7 : 1);
    if (radio_state.power == 1) {
        play_slot(selected_slot());
    }
}

void preset_left_click(int k) {
    int p = k - 1;
    click();
    radio_state.preset = p;
    radio_state.paused = 0;
    media_stop();
    if (radio_state.mode == MODE_CD) {
        radio_state.lamp = 0;
        if (radio_state.power == 1) {
            cd_play_track(static_cast<UINT>(k));
        }
    } else if (radio_state.mode == MODE_FM) {
        radio_state.lamp = k;
        if (radio_state.power == 1) {
            play_slot(p);
        }
    } else {
        radio_state.lamp = p + 7;
        if (radio_state.power == 1) {
            play_slot(p + AM_SLOT_OFFSET);
        }
    }
}

// Assigns a file to the preset through the open-file dialog, then plays it.
void preset_right_click(int k) {
    if (radio_state.power != 1 || radio_state.mode == MODE_CD) {
        return;
    }
    int p = k - 1;
    int s = radio_state.mode == MODE_FM ? p : p + AM_SLOT_OFFSET;
    radio_state.preset = p;
    radio_state.paused = 0;
    radio_state.lamp = s + 1;
    media_stop();
    if (choose_audio_file() == 0) {
        return;
    }
    // The chosen file shows at once and plays once its test passes; should
    // it fail, the slot takes back its old file and name, without a handle.
    MediaHandle chosen = media_open(dialog_path);
    if (chosen != 0) {
        presets_choose(s, dialog_path, dialog_title, chosen);
    } else {
        presets_refuse(s);
    }
    play_slot(s);
}

}  // namespace

BOOL FSAPI on_power(PIXPOINT*, FLAGS) {
    click();
    if (radio_state.power == 1) {
        radio_state.power = 0;
        stop_current_source();
    } else {
        play_current_source();
        radio_state.power = 1;
    }
    radio_state.paused = 0;
    return 1;
}

BOOL FSAPI on_door(PIXPOINT*, FLAGS) {
    if (radio_state.power == 1 && radio_state.mode == MODE_CD) {
        if (radio_state.door_open == 0) {
            cd_stop();
            cd_door_open();
            radio_state.door_open = 1;
        } else {
            cd_door_close();
            radio_state.door_open = 0;
        }
    }
    radio_state.paused = 0;
    return 1;
}

BOOL FSAPI on_mode_cd(PIXPOINT*, FLAGS) {
    click();
    radio_state.lamp = 0;
    radio_state.paused = 0;
    media_stop();
    if (radio_state.power == 1) {
        cd_play_track(static_cast<UINT>(radio_state.preset) + 1);
    }
    radio_state.mode = MODE_CD;
    return 1;
}

BOOL FSAPI on_mode_fm(PIXPOINT*, FLAGS) {
    select_fm_or_am(MODE_FM);
    return 1;
}

BOOL FSAPI on_mode_am(PIXPOINT*, FLAGS) {
    select_fm_or_am(MODE_AM);
    return 1;
}

template <int k>
BOOL FSAPI on_preset(PIXPOINT*, FLAGS flags) {
    if (flags == CLICK_LEFT_SINGLE) {
        preset_left_click(k);
    } else if (flags == CLICK_RIGHT_SINGLE) {
        preset_right_click(k);
    }
    return 1;
}

template BOOL FSAPI on_preset<1>(PIXPOINT*, FLAGS);
template BOOL FSAPI on_preset<2>(PIXPOINT*, FLAGS);
template BOOL FSAPI on_preset<3>(PIXPOINT*, FLAGS);
template BOOL FSAPI on_preset<4>(PIXPOINT*, FLAGS);
template BOOL FSAPI on_preset<5>(PIXPOINT*, FLAGS);
template BOOL FSAPI on_preset<6>(PIXPOINT*, FLAGS);

BOOL FSAPI on_volume_down(PIXPOINT*, FLAGS) {
    step_volume(-VOLUME_STEP);
    return 1;
}

BOOL FSAPI on_volume_up(PIXPOINT*, FLAGS) {
    step_volume(VOLUME_STEP);
    return 1;
}

BOOL FSAPI on_prev_track(PIXPOINT*, FLAGS) {
    step_track(-1);
    return 1;
}

BOOL FSAPI on_next_track(PIXPOINT*, FLAGS) {
    step_track(1);
    return 1;
}

// Pause is a stop; resuming plays the track or the file from its start.
BOOL FSAPI on_pause(PIXPOINT*, FLAGS) {
    click();
    if (radio_state.power == 0) {
        radio_state.paused = 0;
        return 1;
    }
    if (radio_state.paused == 1) {
        if (radio_state.mode == MODE_CD) {
            cd_play_track(static_cast<UINT>(radio_state.current_track));
        } else {
            play_slot(selected_slot());
        }
        radio_state.paused = 0;
    } else {
        stop_current_source();
        radio_state.paused = 1;
    }
    return 1;
}
