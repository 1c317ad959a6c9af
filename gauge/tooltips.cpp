// Tooltip texts and the string callbacks of their inserts. The callbacks
// build nothing ahead: each reads the state at the moment the host asks.
#include "gauge/tooltips.h"

#include "audio/cd.h"
#include "audio/media.h"
#include "core/presets.h"
#include "core/radio_state.h"

const char tip_text_power[] = "Power On/Off (%1!s!)";
const char tip_text_door[] = "Open/Close CD Door";
const char tip_text_mode_cd[] = "Mode Select - CD Player";
const char tip_text_mode_fm[] = "Mode Select - FM Radio";
const char tip_text_mode_am[] = "Mode Select - AM Radio";
// The source's label, the button's digit, then the preset's own text.
const char tip_text_preset[6][16] = {
    "%8!s!1 - %2!s!", "%8!s!2 - %3!s!", "%8!s!3 - %4!s!",
    "%8!s!4 - %5!s!", "%8!s!5 - %6!s!", "%8!s!6 - %7!s!",
};
const char tip_text_volume_down[] = "Decrease Volume Level";
const char tip_text_volume_up[] = "Increase Volume Level";
const char tip_text_prev_track[] = "Previous CD Track";
const char tip_text_next_track[] = "Next CD Track";
const char tip_text_pause[] = "Pause On/Off (%9!s!)";

namespace {

const char* on_off(int32_t flag) {
    return flag != 0 ? "on" : "off";
}

// A playlist preset that plays is named by its list and the entry playing
// ("Road trip.m3u: Take Five.mp3"), or by its station and what the station
// plays ("Jazz FM: Miles Davis - So What").
const char* preset_text(const PresetSlot& slot) {
    return media_playing_text(slot.media_handle, slot.display_name);
}

constexpr MOUSE_ARG string_argument(PGET_TOOLTIP_STRING callback) {
    MOUSE_ARG argument{};
    argument.string_callback = callback;
    return argument;
}

}  // namespace

const char* FSAPI tip_power_state(FLOAT64, ID, const char*, MODULE_VAR*, GAUGEHDR*) {
    return on_off(radio_state.power);
}

// Read from the slot at each ask, so a name changed by a right click, or a
// playlist's next entry, shows at once.
template <int k>
const char* FSAPI tip_preset_name(FLOAT64, ID, const char*, MODULE_VAR*, GAUGEHDR*) {
    presets_take_answers();
    if (radio_state.mode == MODE_FM) {
        return preset_text(preset_table.slots[k - 1]);
    }
    if (radio_state.mode == MODE_CD) {
        return cd_tooltip_text();
    }
    return preset_text(preset_table.slots[k - 1 + AM_SLOT_OFFSET]);
}

template const char* FSAPI tip_preset_name<1>(FLOAT64, ID, const char*, MODULE_VAR*, GAUGEHDR*);
template const char* FSAPI tip_preset_name<2>(FLOAT64, ID, const char*, MODULE_VAR*, GAUGEHDR*);
template const char* FSAPI tip_preset_name<3>(FLOAT64, ID, const char*, MODULE_VAR*, GAUGEHDR*);
template const char* FSAPI tip_preset_name<4>(FLOAT64, ID, const char*, MODULE_VAR*, GAUGEHDR*);
template const char* FSAPI tip_preset_name<5>(FLOAT64, ID, const char*, MODULE_VAR*, GAUGEHDR*);
template const char* FSAPI tip_preset_name<6>(FLOAT64, ID, const char*, MODULE_VAR*, GAUGEHDR*);

const char* FSAPI tip_source_label(FLOAT64, ID, const char*, MODULE_VAR*, GAUGEHDR*) {
    if (radio_state.mode == MODE_CD) {
        return "CD Player Track #";
    }
    return radio_state.mode == MODE_FM ? "FM Preset #" : "AM Preset #";
}

const char* FSAPI tip_pause_state(FLOAT64, ID, const char*, MODULE_VAR*, GAUGEHDR*) {
    return on_off(radio_state.paused);
}

MOUSE_ARG tooltip_args[TOOLTIP_ARGS] = {
    string_argument(tip_power_state),    string_argument(tip_preset_name<1>),
    string_argument(tip_preset_name<2>), string_argument(tip_preset_name<3>),
    string_argument(tip_preset_name<4>), string_argument(tip_preset_name<5>),
    string_argument(tip_preset_name<6>), string_argument(tip_source_label),
    string_argument(tip_pause_state),
};
