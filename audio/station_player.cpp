// The player thread's station. Its network's reports set the thread's wake
// event, so the thread looks at the station when the network has news,
// when the station asked to be looked at again, and four times a second at
// most otherwise: a wake lost to a failing call never leaves it behind.
#include "audio/station_player.h"

#include <cstring>

#include "audio/media_graph.h"
#include "audio/player_thread.h"
#include "audio/playlist.h"

StationPlayerState station_player;

namespace {

constexpr DWORD STATION_WATCH_MS = 250;

// 1 when the text reads as UTF-8 (ASCII included).
int station_is_utf8(const char* text) {
    const unsigned char* c = reinterpret_cast<const unsigned char*>(text);
    while (*c != 0) {
        int follow = *c < 0x80             ? 0
                     : (*c & 0xE0) == 0xC0 ? 1
                     : (*c & 0xF0) == 0xE0 ? 2
                     : (*c & 0xF8) == 0xF0 ? 3
                                           : -1;
        if (follow < 0) {
            return 0;
        }
        for (++c; follow > 0; --follow, ++c) {
            if ((*c & 0xC0) != 0x80) {
                return 0;
            }
        }
    }
    return 1;
}

// The station's state, title and format into the media player's report,
// when they changed and the station is what plays; the event window hears
// of a changed state.
void station_player_report() {
    Station* station = station_player.station;
    if (station == nullptr || media_player.streaming == 0 ||
        (station->status == station_player.reported && station->title_changed == 0)) {
        return;
    }
    int32_t status = station->status;
    // A station's title is UTF-8 when it reads as UTF-8, else in the
    // station's own single-byte code page.
    char title[256] = "";
    if (status == STATION_PLAYING || status == STATION_CONNECTING) {
        playlist_display_text(station->title, station_is_utf8(station->title), title, sizeof title);
    }
    station->title_changed = 0;
    const char* format = status == STATION_OTHER_FORMAT && station->other_format != nullptr
                             ? station->other_format
                             : "";
    player_lock();
    MediaReport& report = media_report;
    report.station_status = status;
    strcpy(report.station_title, title);
    size_t length = strnlen(format, sizeof report.station_format - 1);
    memcpy(report.station_format, format, length);
    report.station_format[length] = '\0';
    player_unlock();
    if (status != station_player.reported) {
        station_player.reported = status;
        PostMessageA(media_player.notify_window, STREAM_EVENT_MESSAGE, 0, 0);
    }
}

}  // namespace

void station_player_offer(IDirectSound8* device) {
    if (device != nullptr) {
        device->AddRef();
    }
    player_lock();
    IDirectSound8* offered = station_player.device;
    station_player.device = device;
    player_unlock();
    if (offered != nullptr) {
        offered->Release();
    }
}

void station_player_play(const WCHAR* address) {
    if (station_player.station == nullptr) {
        station_player.station = station_create(player_thread.wake);
    }
    station_player.reported = -1;
    Station* station = station_player.station;
    if (station == nullptr) {
        // Without a station nothing can be reached: static, until the next
        // play tries again.
        player_lock();
        media_report.station_status = STATION_LOST;
        player_unlock();
        PostMessageA(media_player.notify_window, STREAM_EVENT_MESSAGE, 0, 0);
        return;
    }
    player_lock();
    IDirectSound8* device = station_player.device;
    if (device != nullptr) {
        device->AddRef();
    }
    player_unlock();
    station_player.volume = media_player.volume;
    station_play(station, address, station_player.volume, device);
    if (device != nullptr) {
        device->Release();
    }
    station_player_report();
}

void station_player_stop() {
    if (station_player.station != nullptr) {
        station_stop(station_player.station);
    }
}

DWORD station_player_watch() {
    Station* station = station_player.station;
    if (station == nullptr) {
        return INFINITE;
    }
    if (station_player.volume != media_player.volume) {
        station_player.volume = media_player.volume;
        station_set_volume(station, station_player.volume);
    }
    DWORD wait = station_service(station);
    station_player_report();
    return station->wanted == 1 && wait > STATION_WATCH_MS ? STATION_WATCH_MS : wait;
}

Station* station_player_leave() {
    Station* station = station_player.station;
    station_player.station = nullptr;
    if (station != nullptr) {
        station_detach(station);
        // A thread that gives up while its station plays leaves it lost:
        // static, until the next play.
        if (station->wanted == 1 && media_player.streaming == 1) {
            media_report.station_status = STATION_LOST;
            media_report.station_title[0] = '\0';
            PostMessageA(media_player.notify_window, STREAM_EVENT_MESSAGE, 0, 0);
        }
    }
    return station;
}
