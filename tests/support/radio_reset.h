// Puts the radio's module-level records back as a fresh load has them.
#pragma once

#include <cstring>

#include "core/presets.h"
#include "core/radio_state.h"
#include "core/text_buffer.h"
#include "platform/native/standin.h"
#include "tests/fakes/recording_backends.h"

inline void reset_radio() {
    radio_state = RADIO_STATE_AT_LOAD;
    memset(&preset_table, 0, sizeof preset_table);
    text_copy(browse_folder, BROWSE_FOLDER_AT_LOAD);
    backends_reset();
    plat::dialog_clear();
    plat::faults_set(nullptr);
}
