#include "audio/media.h"
#include "tests/fakes/recording_backends.h"

int media_init(HINSTANCE, int left, int top, int width, int height) {
    record_backend_call("media_init " + std::to_string(left) + " " + std::to_string(top) + " " +
                        std::to_string(width) + " " + std::to_string(height));
    return 1;
}

// A handle at once; its test answers from playable_files.
MediaHandle media_open(const char* name) {
    record_backend_call(std::string("media_open ") + name);
    return name;
}

// As the player thread serves it: tried only when the other file passed.
MediaHandle media_reopen(const char* name, MediaHandle opened) {
    if (playable_files.count(opened) != 0) {
        record_backend_call(std::string("media_open ") + name);
    }
    return name;
}

int32_t media_opened(MediaHandle handle) {
    return handle != nullptr && playable_files.count(handle) != 0 ? MEDIA_OPEN_OK
                                                                  : MEDIA_OPEN_FAILED;
}

int media_play(MediaHandle handle, int loop) {
    record_backend_call(std::string("media_play ") + handle + " " + std::to_string(loop));
    return 1;
}

int media_stop() {
    record_backend_call("media_stop");
    return 1;
}

int media_set_volume(VolumeLevel level) {
    record_backend_call("media_set_volume " + std::to_string(level));
    return 1;
}

int media_shutdown() {
    record_backend_call("media_shutdown");
    return 1;
}

int media_step(MediaHandle handle, int direction) {
    record_backend_call(std::string("media_step ") + handle + " " + std::to_string(direction));
    return 1;
}

// Nothing plays behind the recording player: a preset is its name.
const char* media_playing_text(MediaHandle, const char* name) {
    return name;
}
