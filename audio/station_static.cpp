// The station's static, on the panel's thread: a sound buffer costs a call
// that returns at once, so power off silences it whatever the player
// thread is doing.
#include "audio/station_static.h"

#include "audio/media.h"
#include "audio/sound.h"
#include "audio/station.h"

StationStaticState station_static;

void station_static_follow() {
    int32_t status = media_station_status();
    if (status != STATION_LOST && status != STATION_OTHER_FORMAT) {
        station_static_stop();
        return;
    }
    if (station_static.sound == nullptr) {
        station_static.sound = sound_load_wav("STATIC_RCD");
    }
    if (station_static.playing == 0) {
        sound_set_volume(station_static.sound, station_static.volume);
        sound_play(station_static.sound, DSBPLAY_LOOPING);
        station_static.playing = 1;
    }
}

void station_static_stop() {
    if (station_static.playing == 1) {
        sound_stop(station_static.sound);
        station_static.playing = 0;
    }
}

void station_static_volume(VolumeLevel level) {
    station_static.volume = level;
    if (station_static.sound != nullptr) {
        sound_set_volume(station_static.sound, level);
    }
}

void station_static_release() {
    station_static_stop();
    sound_release_buffer(station_static.sound);
    station_static.sound = nullptr;
}
