// The gauge's service routine: the start and stop sequences of the whole
// radio, in the order the back-ends depend on.
#include "gauge/service.h"

#include "audio/cd.h"
#include "audio/media.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "core/presets.h"
#include "core/radio_state.h"
#include "core/settings_file.h"
#include "gauge/face.h"

namespace {

constexpr VolumeLevel CLICK_VOLUME = -500;

// The state record is left as it is, so a gauge installed again in the same
// process keeps power, mode and preset.
void pre_install(HMODULE module) {
    settings_load(module);
    sound_init(module);  // also initialises COM on this thread
    click_sound = sound_load_wav("CLICK_RCD");
    sound_set_volume(click_sound, CLICK_VOLUME);
    // The media player's video window is never shown: no position, no size.
    media_init(module, 0, 0, 0, 0);
    presets_open_all();
    media_set_volume(radio_state.media_volume);
    cd_open();
    mixer_volume_open();
    mixer_volume_set(radio_state.cd_volume);
    cd_stop();
}

void pre_kill() {
    settings_save();
    mixer_volume_close();
    cd_stop();
    cd_close();
    media_shutdown();
    sound_release_buffer(click_sound);
    sound_shutdown();
    // Ends the COM use that sound_init began, and only that: when its
    // CoInitialize failed, a CoUninitialize here would end the COM of
    // whoever else initialised this thread (the simulator itself).
    if (sound_state.com_initialized == 1) {
        sound_state.com_initialized = 0;
        CoUninitialize();
    }
}

}  // namespace

void FSAPI gauge_service(GAUGEHDR* header, SINT32 service_id, UINT_PTR extra_data) {
    switch (service_id) {
        case PANEL_SERVICE_PRE_INSTALL:
            pre_install(reinterpret_cast<HMODULE>(extra_data));
            break;
        case PANEL_SERVICE_PRE_UPDATE:
            // The files' tests that have answered name their presets.
            presets_take_answers();
            face_pre_update(header);
            break;
        case PANEL_SERVICE_PRE_KILL:
            pre_kill();
            break;
        default:
            break;
    }
}
