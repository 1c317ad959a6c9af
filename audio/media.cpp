// The media player's panel side: each operation a request to the player
// thread, which owns every filter graph, tests the files and plays them.
// A request carries its own copy of the path, so the thread never reads a
// text the panel may change. The hidden "EventNotify" window stays the
// player's; the thread tells it when a station's state changes, and its
// procedure starts or stops the static, never touching a graph.
#include "audio/media.h"

#include <cstring>

#include "audio/media_answers.h"
#include "audio/player_thread.h"
#include "audio/playlist.h"
#include "audio/sound.h"
#include "audio/station_player.h"
#include "audio/station_static.h"

MediaPanelState media_panel;
MediaReport media_report;

namespace {

// Copies an RCDATA resource into a new "Res" temporary file whose name
// becomes the next table entry; that entry, or null.
const char* media_extract_resource(HRSRC resource) {
    TempFileTable& table = media_panel.temp_files;
    if (table.count >= TEMP_FILE_CAPACITY) {
        return nullptr;
    }
    HINSTANCE module = media_panel.module_instance;
    DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    LPVOID bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return nullptr;
    }
    char folder[256] = "";
    GetTempPathA(sizeof folder, folder);
    char* entry = table.names[table.count];
    if (GetTempFileNameA(folder, "Res", 0, entry) == 0) {
        return nullptr;
    }
    // The file exists from here on: media_shutdown deletes it.
    ++table.count;
    HANDLE file = CreateFileA(entry, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    DWORD written = 0;
    WriteFile(file, bytes, size, &written, nullptr);
    CloseHandle(file);
    return entry;
}

PlayerRequest media_request(int32_t kind, MediaHandle handle) {
    PlayerRequest request;
    memset(&request, 0, sizeof request);
    request.kind = kind;
    request.handle = handle;
    if (handle != nullptr) {
        size_t length = strnlen(handle, sizeof request.path - 1);
        memcpy(request.path, handle, length);
        request.path[length] = '\0';
    }
    return request;
}

// A request that changes what plays: from now on the tooltips wait for the
// thread's report of it.
void media_post_change(PlayerRequest* request) {
    player_post(request);
    media_panel.asked = request->serial;
}

}  // namespace

int media_init(HINSTANCE instance, int left, int top, int width, int height) {
    media_panel.module_instance = instance;
    player_set_module(instance);
    WNDCLASSA window_class;
    memset(&window_class, 0, sizeof window_class);
    window_class.lpfnWndProc = media_event_wndproc;
    window_class.hInstance = instance;
    window_class.lpszClassName = "EventNotify";
    RegisterClassA(&window_class);
    media_panel.event_window = CreateWindowExA(0, "EventNotify", nullptr, WS_CLIPCHILDREN, 0, 0, 0,
                                               0, nullptr, nullptr, instance, nullptr);
    UpdateWindow(media_panel.event_window);
    media_answers_clear();
    station_player_offer(sound_state.device);
    PlayerRequest request = media_request(REQUEST_MEDIA_INIT, nullptr);
    request.values[0] = left;
    request.values[1] = top;
    request.values[2] = width;
    request.values[3] = height;
    // The thread tells the window of a station's news.
    request.handle = reinterpret_cast<MediaHandle>(media_panel.event_window);
    player_post(&request);
    return 1;
}

MediaHandle media_open(const char* name) {
    return media_reopen(name, nullptr);
}

MediaHandle media_reopen(const char* name, MediaHandle opened) {
    // A path that does not fit a request is no file the graph could take.
    if (name == nullptr || strnlen(name, 256) > 255) {
        return nullptr;
    }
    const char* path = name;
    if (playlist_format(name) == PLAYLIST_NONE) {
        // An address alone is no file, and is never rendered: that would
        // wait on the network.
        if (playlist_entry_kind(name) == PLAYLIST_ENTRY_STREAM) {
            return nullptr;
        }
        HRSRC resource = FindResourceA(media_panel.module_instance, name, RT_RCDATA);
        if (resource != nullptr && (path = media_extract_resource(resource)) == nullptr) {
            return nullptr;
        }
    }
    PlayerRequest request = media_request(REQUEST_MEDIA_TEST, path);
    request.needs = opened;
    // Noted before the thread can answer it.
    player_lock();
    player_post(&request);
    media_answer_asked(path, request.serial);
    player_unlock();
    return path;
}

int32_t media_opened(MediaHandle handle) {
    return media_answer_state(handle);
}

int media_play(MediaHandle handle, int loop) {
    if (handle == nullptr) {
        return 1;
    }
    PlayerRequest request = media_request(REQUEST_MEDIA_PLAY, handle);
    request.values[0] = loop;
    request.needs = handle;
    station_static_stop();
    media_post_change(&request);
    return 1;
}

int media_stop() {
    PlayerRequest request = media_request(REQUEST_MEDIA_STOP, nullptr);
    // Silent at once, whatever the thread is busy with.
    station_static_stop();
    media_post_change(&request);
    return 1;
}

int media_set_volume(VolumeLevel level) {
    media_panel.volume = volume_clamped(level);
    station_static_volume(media_panel.volume);
    PlayerRequest request = media_request(REQUEST_MEDIA_VOLUME, nullptr);
    request.values[0] = media_panel.volume;
    player_post(&request);
    return 1;
}

int media_step(MediaHandle handle, int direction) {
    if (handle != nullptr && playlist_format(handle) != PLAYLIST_NONE) {
        PlayerRequest request = media_request(REQUEST_MEDIA_STEP, handle);
        request.values[0] = direction;
        media_post_change(&request);
    }
    return 1;
}

int media_shutdown() {
    station_static_stop();
    PlayerRequest request = media_request(REQUEST_MEDIA_SHUTDOWN, nullptr);
    media_post_change(&request);
    station_player_offer(nullptr);
    player_end();
    station_static_release();
    if (media_panel.event_window != nullptr) {
        DestroyWindow(media_panel.event_window);
        media_panel.event_window = nullptr;
    }
    // The graphs that read them are gone (or, with a thread that could not
    // be waited for, a file still held stays).
    TempFileTable& table = media_panel.temp_files;
    for (int i = 0; i < table.count; ++i) {
        DeleteFileA(table.names[i]);
    }
    table.count = 0;
    return 1;
}

LRESULT CALLBACK media_event_wndproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == STREAM_EVENT_MESSAGE) {
        station_static_follow();
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

const char* media_playing_text(MediaHandle handle, const char* name) {
    player_lock();
    const MediaReport& report = media_report;
    bool current = handle != nullptr && report.handle == handle &&
                   report.request == media_panel.asked && report.plays != MEDIA_PLAYS_FILE &&
                   report.plays != MEDIA_PLAYS_NOTHING;
    // "Road trip.m3u: Take Five.mp3"; "Jazz FM: Miles Davis - So What".
    const char* parts[6] = {name, ": ", report.title, "", "", ""};
    if (current && report.plays == MEDIA_PLAYS_STATION) {
        parts[0] = report.title;
        parts[1] = report.station_title[0] != '\0' ? ": " : "";
        parts[2] = report.station_title;
        // "Jazz FM (no signal)"; "Jazz FM (AAC stream, not played)".
        if (report.station_status == STATION_LOST) {
            parts[3] = " (no signal)";
        } else if (report.station_status == STATION_OTHER_FORMAT) {
            parts[3] = " (";
            parts[4] = report.station_format;
            parts[5] = " stream, not played)";
        }
    } else if (current && report.plays == MEDIA_PLAYS_REST) {
        parts[1] = " (nothing plays)";
        parts[2] = "";
    }
    char* out = media_panel.shown_text;
    size_t room = sizeof media_panel.shown_text - 1;
    for (const char* part : parts) {
        size_t length = current ? strnlen(part, room) : 0;
        memcpy(out, part, length);
        out += length;
        room -= length;
    }
    *out = '\0';
    player_unlock();
    return current ? media_panel.shown_text : name;
}

int32_t media_station_status() {
    player_lock();
    int32_t status =
        media_report.request == media_panel.asked && media_report.plays == MEDIA_PLAYS_STATION
            ? media_report.station_status
            : STATION_IDLE;
    player_unlock();
    return status;
}
