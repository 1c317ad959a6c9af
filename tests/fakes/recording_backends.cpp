#include "tests/fakes/recording_backends.h"

#include "audio/cd.h"
#include "audio/media.h"
#include "audio/mixer.h"
#include "audio/sound.h"

std::vector<std::string> backend_calls;
std::set<std::string> playable_files;

void backends_reset() {
    backend_calls.clear();
    playable_files.clear();
}

namespace {
void record(const std::string& call) {
    backend_calls.push_back(call);
}
}  // namespace

UINT cd_device = 0;

DWORD cd_play_track(UINT track) {
    record("cd_play_track " + std::to_string(track));
    return 0;
}
DWORD cd_stop() {
    record("cd_stop");
    return 0;
}
DWORD cd_door_open() {
    record("cd_door_open");
    return 0;
}
DWORD cd_door_close() {
    record("cd_door_close");
    return 0;
}

MediaHandle media_open(const char* name) {
    record(std::string("media_open ") + name);
    return playable_files.count(name) != 0 ? name : nullptr;
}
int media_play(MediaHandle handle, int loop) {
    record(std::string("media_play ") + handle + " " + std::to_string(loop));
    return 1;
}
int media_stop() {
    record("media_stop");
    return 1;
}
int media_set_volume(VolumeLevel level) {
    record("media_set_volume " + std::to_string(level));
    return 1;
}

void mixer_volume_set(VolumeLevel level) {
    record("mixer_volume_set " + std::to_string(level));
}

int sound_play(IDirectSoundBuffer*, DWORD flags) {
    record("sound_play " + std::to_string(flags));
    return 1;
}
