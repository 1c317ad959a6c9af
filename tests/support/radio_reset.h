// Puts the radio's module-level records back as a fresh load has them.
#pragma once

#include <cstring>

#include "core/presets.h"
#include "core/radio_state.h"
#include "platform/native/standin.h"
#include "tests/fakes/recording_backends.h"

inline void reset_radio() {
    radio_state = RadioState{0, MODE_CD, 0, 0, 0, 0, 0, 0, -2000, -8000};
    memset(&preset_table, 0, sizeof preset_table);
    strcpy(browse_folder, ".\\Sound\\");
    backends_reset();
    plat::dialog_clear();
    plat::faults_set(nullptr);
}
