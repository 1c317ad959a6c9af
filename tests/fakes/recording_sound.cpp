#include "audio/sound.h"
#include "tests/fakes/recording_backends.h"

namespace {
// Any non-null address serves as the one buffer the recording back-end makes.
IDirectSoundBuffer* const RECORDED_BUFFER = reinterpret_cast<IDirectSoundBuffer*>(0x10);
}  // namespace

SoundState sound_state;

int sound_init(HINSTANCE) {
    record_backend_call("sound_init");
    sound_state.com_initialized = 1;
    return 1;
}

IDirectSoundBuffer* sound_load_wav(const char* name) {
    record_backend_call(std::string("sound_load_wav ") + name);
    return RECORDED_BUFFER;
}

int sound_play(IDirectSoundBuffer*, DWORD flags) {
    record_backend_call("sound_play " + std::to_string(flags));
    return 1;
}

int sound_set_volume(IDirectSoundBuffer*, VolumeLevel level) {
    record_backend_call("sound_set_volume " + std::to_string(level));
    return 1;
}

int sound_release_buffer(IDirectSoundBuffer*) {
    record_backend_call("sound_release_buffer");
    return 1;
}

int sound_shutdown() {
    record_backend_call("sound_shutdown");
    return 1;
}
