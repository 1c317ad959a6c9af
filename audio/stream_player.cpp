// The stream player. The panel's thread writes requests into the shared
// record and wakes the stream thread; the thread takes a copy and serves
// it with the station (audio/station.h), which never waits: the thread
// waits for the next request, the station's network reports (which set the
// same event) or the time the station asks to be looked at again. It
// reports the station's state back, for the request it served only, with
// a message to the notify window. The static is the panel thread's: a
// looping sound buffer that starts and stops with the state the messages
// bring, and stops at once with the station.
//
// A thread holds the module while it runs and lets it go as it ends, so a
// gauge killed while its thread still has connections the network holds
// is never unloaded under their reports. Pre-kill waits a short time for
// the thread; one whose connections are still held ends on its own when
// the network lets them go, touching nothing of the next gauge's: each
// thread belongs to a generation, and ends without a word when its
// generation is no longer the current one.
#include "audio/stream_player.h"

#include <cstring>

#include "audio/playlist.h"
#include "audio/sound.h"
#include "audio/station.h"

StreamPlayerState stream_player;

namespace {

// How long pre-kill waits for the thread to end.
constexpr DWORD STREAM_QUIT_WAIT_MS = 300;
// How often a thread whose generation has ended asks whether the network
// has let go of its connections.
constexpr DWORD STREAM_LINGER_MS = 100;
// The longest the thread waits for a request without looking again.
constexpr DWORD STREAM_WATCH_MS = 250;
constexpr DWORD STREAM_REPORT_RETURN_MS = 20;

// What the thread copies from the shared record at each look.
struct StreamRequest {
    int32_t current;  // the thread's generation is the current one
    int32_t request;
    int32_t play;
    WCHAR address[256];
    VolumeLevel volume;
};

void stream_lock() {
    EnterCriticalSection(&stream_player.lock);
}

void stream_unlock() {
    LeaveCriticalSection(&stream_player.lock);
}

void stream_take(int32_t generation, StreamRequest* request) {
    stream_lock();
    request->current = stream_player.generation == generation ? 1 : 0;
    request->request = stream_player.request;
    request->play = stream_player.play;
    memcpy(request->address, stream_player.address, sizeof request->address);
    request->volume = stream_player.volume;
    stream_unlock();
}

int32_t stream_status_of(const Station* station) {
    switch (station->status) {
        case STATION_CONNECTING:
            return STREAM_CONNECTING;
        case STATION_PLAYING:
            return STREAM_PLAYING;
        case STATION_LOST:
            return STREAM_RETRYING;
        case STATION_OTHER_FORMAT:
            return STREAM_OTHER_FORMAT;
        default:
            return STREAM_STOPPED;
    }
}

// 1 when the text reads as UTF-8 (ASCII included).
int stream_is_utf8(const char* text) {
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

// The title as the system code page writes it: a station's title is UTF-8
// when it reads as UTF-8, else in the station's own single-byte code page.
void stream_title_text(const char* title, char* out, int size) {
    playlist_display_text(title, stream_is_utf8(title), out, size);
}

// The station's state and title, for the request served, unless a newer
// one has come; the notify window hears of a changed state.
void stream_report(int32_t generation, int32_t request, Station* station) {
    int32_t status = stream_status_of(station);
    char title[256] = "";
    if (status == STREAM_PLAYING || status == STREAM_CONNECTING) {
        stream_title_text(station->title, title, sizeof title);
    }
    station->title_changed = 0;
    stream_lock();
    if (stream_player.generation == generation && stream_player.request == request) {
        strcpy(stream_player.title, title);
        stream_player.other_format = station->other_format;
        if (stream_player.status != status) {
            stream_player.status = status;
            PostMessageA(stream_player.notify_window, STREAM_EVENT_MESSAGE, 0, 0);
        }
    }
    stream_unlock();
}

DWORD WINAPI stream_thread(LPVOID parameter) {
    int32_t generation = static_cast<int32_t>(reinterpret_cast<LONG_PTR>(parameter));
    HMODULE module = stream_player.module;
    // The thread waits on events, never on window messages: it joins the
    // process's multithreaded apartment rather than make one of its own.
    int com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) ? 1 : 0;
    stream_lock();
    IDirectSound8* device = stream_player.device;
    stream_player.device = nullptr;
    stream_unlock();
    // The event the thread waits on once its generation has ended; without
    // it the thread could not wait for the network to let go.
    HANDLE linger = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    Station* station = linger != nullptr ? station_create(stream_player.wake, device) : nullptr;
    if (device != nullptr) {
        device->Release();
    }
    int32_t served = -1;
    int32_t reported = -1;
    VolumeLevel volume = 0;
    if (station == nullptr) {
        // No station: it cannot be heard, until the next request starts
        // another thread.
        stream_lock();
        if (stream_player.generation == generation) {
            stream_player.status = STREAM_RETRYING;
            PostMessageA(stream_player.notify_window, STREAM_EVENT_MESSAGE, 0, 0);
        }
        stream_unlock();
    }
    while (station != nullptr) {
        StreamRequest asked;
        stream_take(generation, &asked);
        if (asked.current == 0) {
            break;
        }
        if (asked.request != served) {
            served = asked.request;
            reported = -1;
            volume = asked.volume;
            if (asked.play == 1) {
                station_play(station, asked.address, volume);
            } else {
                station_stop(station);
            }
        } else if (asked.volume != volume) {
            volume = asked.volume;
            station_set_volume(station, volume);
        }
        DWORD wait = station_service(station);
        if (stream_status_of(station) != reported || station->title_changed == 1) {
            reported = stream_status_of(station);
            stream_report(generation, served, station);
        }
        // A wake that never came is made up for four times a second. A
        // wait that fails would go round without pause: the thread ends
        // instead, and the next request starts another.
        if (WaitForSingleObject(stream_player.wake,
                                wait < STREAM_WATCH_MS ? wait : STREAM_WATCH_MS) == WAIT_FAILED) {
            break;
        }
    }
    // The last touches of the shared record: a wake this thread may have
    // taken goes on to the next thread, which the station's reports no
    // longer reach.
    if (station != nullptr) {
        station_end(station);
        EnterCriticalSection(&station->http.lock);
        station->http.wake = linger;
        LeaveCriticalSection(&station->http.lock);
    }
    stream_lock();
    SetEvent(stream_player.wake);
    stream_unlock();
    // Only once the network has let go of every connection can the code
    // its reports run in go; the last report is given a moment to return.
    while (station != nullptr && station_destroy(station) == 0) {
        WaitForSingleObject(linger, STREAM_LINGER_MS);
    }
    WaitForSingleObject(linger, STREAM_REPORT_RETURN_MS);
    if (linger != nullptr) {
        CloseHandle(linger);
    }
    stream_lock();
    --stream_player.threads;
    stream_unlock();
    if (com == 1) {
        CoUninitialize();
    }
    if (module != nullptr) {
        FreeLibraryAndExitThread(module, 0);
    }
    return 0;
}

// 1 when a thread serves the current generation, starting one if needed.
int stream_start_thread() {
    // Only a thread seen to have ended is replaced: two would both play.
    if (stream_player.thread != nullptr) {
        if (WaitForSingleObject(stream_player.thread, 0) != WAIT_OBJECT_0) {
            return 1;
        }
        CloseHandle(stream_player.thread);
        stream_player.thread = nullptr;
    }
    // The thread holds the module it runs in; a program's own code (no
    // module instance) needs no holding.
    HMODULE module = nullptr;
    char path[MAX_PATH];
    if (stream_player.module_instance != nullptr &&
        (GetModuleFileNameA(stream_player.module_instance, path, sizeof path) == 0 ||
         (module = LoadLibraryA(path)) == nullptr)) {
        return 0;
    }
    stream_player.module = module;
    stream_lock();
    ++stream_player.threads;
    LONG_PTR generation = stream_player.generation;
    // The sound device, held for the thread: it plays there.
    if (stream_player.device == nullptr && sound_state.device != nullptr) {
        stream_player.device = sound_state.device;
        stream_player.device->AddRef();
    }
    stream_unlock();
    stream_player.thread =
        CreateThread(nullptr, 0, stream_thread, reinterpret_cast<LPVOID>(generation), 0, nullptr);
    if (stream_player.thread == nullptr) {
        stream_lock();
        --stream_player.threads;
        stream_unlock();
        if (module != nullptr) {
            FreeLibrary(module);
        }
        return 0;
    }
    return 1;
}

void stream_static(int on) {
    if (on == 1 && stream_player.static_playing == 0) {
        sound_set_volume(stream_player.static_sound, stream_player.volume);
        sound_play(stream_player.static_sound, DSBPLAY_LOOPING);
    } else if (on == 0 && stream_player.static_playing == 1) {
        sound_stop(stream_player.static_sound);
    }
    stream_player.static_playing = on;
}

}  // namespace

// A thread left from an earlier gauge reads the window only while its
// generation is current, which it no longer is.
int stream_init(HINSTANCE module_instance, HWND notify_window) {
    stream_player.module_instance = module_instance;
    stream_player.notify_window = notify_window;
    return 1;
}

// The lock and the event are made when a station first plays, so a radio
// without one never has them.
int stream_play(const WCHAR* address) {
    if (stream_player.ready == 0) {
        InitializeCriticalSection(&stream_player.lock);
        stream_player.ready = 1;
    }
    if (stream_player.static_sound == nullptr) {
        stream_player.static_sound = sound_load_wav("STATIC_RCD");
    }
    if (stream_player.wake == nullptr) {
        stream_player.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    stream_lock();
    ++stream_player.request;
    stream_player.play = 1;
    memcpy(stream_player.address, address, sizeof stream_player.address);
    stream_player.address[255] = 0;
    stream_player.status = STREAM_CONNECTING;
    stream_player.other_format = nullptr;
    stream_player.title[0] = '\0';
    stream_unlock();
    stream_static(0);
    // Without a thread the station cannot be reached: static, until the
    // next request tries again.
    if (stream_player.wake == nullptr || stream_start_thread() == 0) {
        stream_lock();
        stream_player.status = STREAM_RETRYING;
        stream_unlock();
        stream_static(1);
        return 1;
    }
    SetEvent(stream_player.wake);
    return 1;
}

int stream_stop() {
    // Only the panel's thread writes play: it reads it without the lock.
    if (stream_player.ready == 0 || stream_player.play == 0) {
        return 1;
    }
    stream_lock();
    ++stream_player.request;
    stream_player.play = 0;
    stream_player.status = STREAM_STOPPED;
    stream_player.title[0] = '\0';
    stream_unlock();
    stream_static(0);
    if (stream_player.wake != nullptr) {
        SetEvent(stream_player.wake);
    }
    return 1;
}

int stream_set_volume(VolumeLevel level) {
    level = volume_clamped(level);
    if (level == stream_player.volume) {
        return 1;
    }
    if (stream_player.ready == 0) {
        stream_player.volume = level;
        return 1;
    }
    stream_lock();
    stream_player.volume = level;
    stream_unlock();
    sound_set_volume(stream_player.static_sound, level);
    if (stream_player.play == 1 && stream_player.wake != nullptr) {
        SetEvent(stream_player.wake);
    }
    return 1;
}

int stream_shutdown() {
    if (stream_player.ready == 0) {
        return 1;
    }
    stream_stop();
    sound_release_buffer(stream_player.static_sound);
    stream_player.static_sound = nullptr;
    stream_lock();
    ++stream_player.generation;
    stream_unlock();
    if (stream_player.thread != nullptr) {
        SetEvent(stream_player.wake);
        WaitForSingleObject(stream_player.thread, STREAM_QUIT_WAIT_MS);
        CloseHandle(stream_player.thread);
        stream_player.thread = nullptr;
    }
    // A thread still on the network keeps the lock and the event for its
    // own end; they serve the next gauge too.
    stream_lock();
    int32_t left = stream_player.threads;
    IDirectSound8* device = stream_player.device;
    stream_player.device = nullptr;
    stream_unlock();
    if (device != nullptr) {
        device->Release();
    }
    if (left == 0) {
        if (stream_player.wake != nullptr) {
            CloseHandle(stream_player.wake);
            stream_player.wake = nullptr;
        }
        DeleteCriticalSection(&stream_player.lock);
        stream_player.ready = 0;
    }
    return 1;
}

void stream_on_events() {
    if (stream_player.ready == 0) {
        return;
    }
    int32_t status = stream_status();
    stream_static(stream_player.play == 1 &&
                          (status == STREAM_RETRYING || status == STREAM_OTHER_FORMAT)
                      ? 1
                      : 0);
}

int32_t stream_status() {
    if (stream_player.ready == 0) {
        return STREAM_STOPPED;
    }
    stream_lock();
    int32_t status = stream_player.status;
    stream_unlock();
    return status;
}

int stream_title(char* out, int size) {
    out[0] = '\0';
    if (stream_player.ready == 0) {
        return 0;
    }
    stream_lock();
    size_t length = strnlen(stream_player.title, static_cast<size_t>(size) - 1);
    memcpy(out, stream_player.title, length);
    out[length] = '\0';
    stream_unlock();
    return length > 0 ? 1 : 0;
}

void stream_signal_text(char* out, int size) {
    out[0] = '\0';
    if (stream_player.ready == 0) {
        return;
    }
    stream_lock();
    int32_t status = stream_player.status;
    const char* format = stream_player.other_format;
    stream_unlock();
    char text[64] = "";
    if (status == STREAM_RETRYING) {
        strcpy(text, " (no signal)");
    } else if (status == STREAM_OTHER_FORMAT && format != nullptr && strlen(format) < 16) {
        wsprintfA(text, " (%s stream, not played)", format);
    }
    size_t length = strnlen(text, static_cast<size_t>(size) - 1);
    memcpy(out, text, length);
    out[length] = '\0';
}
