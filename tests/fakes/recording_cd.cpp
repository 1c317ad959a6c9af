#include "audio/cd.h"
#include "tests/fakes/recording_backends.h"

namespace {
DWORD record(const std::string& call) {
    record_backend_call(call);
    return 0;
}
}  // namespace

DWORD cd_open() {
    return record("cd_open");
}
DWORD cd_play_track(UINT track) {
    return record("cd_play_track " + std::to_string(track));
}
DWORD cd_stop() {
    return record("cd_stop");
}
DWORD cd_close() {
    return record("cd_close");
}
DWORD cd_door_open() {
    return record("cd_door_open");
}
DWORD cd_door_close() {
    return record("cd_door_close");
}

FLOAT64 FSAPI cd_display_poll(ELEMENT_STRING*) {
    record("cd_display_poll");
    return 0;
}

const char* cd_tooltip_text() {
    record("cd_tooltip_text");
    return cd_tooltip_reply.c_str();
}
