// The tooltips the host shows over the mouse areas: their texts, and the
// string callbacks that fill their inserts.
#pragma once

#include "common/panel_records.h"

// The arguments of the inserts %1!s! to %9!s!, in that order.
constexpr int TOOLTIP_ARGS = 9;
extern MOUSE_ARG tooltip_args[TOOLTIP_ARGS];

extern const char tip_text_power[];
extern const char tip_text_door[];
extern const char tip_text_mode_cd[];
extern const char tip_text_mode_fm[];
extern const char tip_text_mode_am[];
extern const char tip_text_preset[6][16];
extern const char tip_text_volume_down[];
extern const char tip_text_volume_up[];
extern const char tip_text_prev_track[];
extern const char tip_text_next_track[];
extern const char tip_text_pause[];

const char* FSAPI tip_power_state(FLOAT64 number, ID id, const char* string, MODULE_VAR* source,
                                  GAUGEHDR* gauge);
// The six preset buttons, k = 1 to 6.
template <int k>
const char* FSAPI tip_preset_name(FLOAT64 number, ID id, const char* string, MODULE_VAR* source,
                                  GAUGEHDR* gauge);
const char* FSAPI tip_source_label(FLOAT64 number, ID id, const char* string, MODULE_VAR* source,
                                   GAUGEHDR* gauge);
const char* FSAPI tip_pause_state(FLOAT64 number, ID id, const char* string, MODULE_VAR* source,
                                  GAUGEHDR* gauge);
