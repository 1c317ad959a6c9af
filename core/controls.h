// The sixteen front-panel control handlers: each changes the radio's state
// and tells the back-ends what to do.
#pragma once

#include "common/panel_records.h"
#include "core/radio_state.h"

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
