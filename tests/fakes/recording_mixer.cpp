#include "audio/mixer.h"
#include "tests/fakes/recording_backends.h"

int mixer_volume_open() {
    record_backend_call("mixer_volume_open");
    return 1;
}

void mixer_volume_set(VolumeLevel level) {
    record_backend_call("mixer_volume_set " + std::to_string(level));
}

int mixer_volume_close() {
    record_backend_call("mixer_volume_close");
    return 1;
}
