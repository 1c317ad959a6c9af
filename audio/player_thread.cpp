// The player thread's life and loop. One thread serves the queue at a time:
// a thread that pre-kill could not wait for (a file under test) serves
// whatever comes after, a new gauge's requests included, and ends when it
// finds nothing more behind its end. An ended thread may still wait for the
// network to let go of its station's connections, touching nothing shared,
// while a new one serves the next gauge. It takes a request and serves it
// with the lock let go; with none waiting, it watches the CD, the station
// and the media player's graph when they are due, and waits for the next
// of: a request, a graph event, the next watch. A graph event is read the
// moment it comes; the end of a pass that a renderer reported early is a
// watch due when the pass has been heard.
#include "audio/player_thread.h"

#include <cstring>

#include "audio/cd_commands.h"
#include "audio/media_graph.h"
#include "audio/station_player.h"

PlayerThreadState player_thread;

namespace {

// How long pre-kill waits for the thread to end.
constexpr DWORD PLAYER_QUIT_WAIT_MS = 300;

enum PlayerTake : int32_t {
    TOOK_NOTHING = 0,
    TOOK_REQUEST = 1,
    TOOK_END = 2,
};

// Under the lock: the thread ends, and what it leaves of the station (null
// when nothing) it destroys on its way out, touching nothing shared.
Station* player_stop_running() {
    player_thread.running = 0;
    return station_player_leave();
}

// The next request, taken under the lock. An end with requests behind it
// is passed over: they are a new gauge's, and this thread serves them.
int32_t player_take(PlayerRequest* request, Station** left) {
    player_lock();
    int32_t took = TOOK_NOTHING;
    while (took == TOOK_NOTHING && player_queue_take(&player_thread.queue, request) == 1) {
        if (request->serial > player_thread.served) {
            player_thread.served = request->serial;
        }
        if (request->kind != REQUEST_QUIT) {
            player_thread.busy = 1;
            took = TOOK_REQUEST;
        } else if (player_thread.queue.count == 0) {
            *left = player_stop_running();
            took = TOOK_END;
        }
    }
    player_unlock();
    return took;
}

void player_serve(const PlayerRequest& request) {
    if (player_request_device(request.kind) == DEVICE_CD) {
        cd_serve(request);
    } else {
        media_serve(request);
    }
    player_lock();
    player_thread.busy = 0;
    player_unlock();
}

// After a failed wait the thread ends rather than go round without pause,
// unless requests wait; the next request starts another thread.
int player_give_up(Station** left) {
    player_lock();
    int ends = player_thread.queue.count == 0 ? 1 : 0;
    if (ends == 1) {
        *left = player_stop_running();
    }
    player_unlock();
    return ends;
}

DWORD WINAPI player_run(LPVOID parameter) {
    HMODULE module = static_cast<HMODULE>(parameter);
    // The thread waits on events, never on window messages: it joins the
    // process's multithreaded apartment rather than make one of its own,
    // which COM would reach through a message queue nobody reads.
    int com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) ? 1 : 0;
    Station* left = nullptr;
    for (;;) {
        PlayerRequest request;
        int32_t took = player_take(&request, &left);
        if (took == TOOK_END) {
            break;
        }
        if (took == TOOK_REQUEST) {
            player_serve(request);
            continue;
        }
        DWORD now = GetTickCount();
        DWORD wait = cd_watch(now);
        DWORD station_wait = station_player_watch();
        DWORD media_wait = media_watch();
        wait = station_wait < wait ? station_wait : wait;
        wait = media_wait < wait ? media_wait : wait;
        HANDLE handles[2] = {player_thread.wake, media_wait_handle()};
        DWORD count = handles[1] != nullptr ? 2 : 1;
        DWORD woke = WaitForMultipleObjects(count, handles, FALSE, wait);
        if (woke == WAIT_FAILED && player_give_up(&left) == 1) {
            break;
        }
        // A handle that says events wait when none can be read would keep
        // the thread going round: it is looked at now and then instead.
        if (woke == WAIT_OBJECT_0 + 1 && media_on_events() == 0) {
            media_player.events_stuck = 1;
        }
    }
    // A station's connections may outlive the gauge that asked for them:
    // the thread waits here until the network lets them go, holding the
    // module their reports run in.
    if (left != nullptr) {
        station_destroy(left);
    }
    if (com == 1) {
        CoUninitialize();
    }
    if (module != nullptr) {
        FreeLibraryAndExitThread(module, 0);
    }
    return 0;
}

// Under the lock, with no thread running: starts one, which holds the
// module it runs in (a program's own code, with no module instance, needs
// no holding). 0 when it could not start.
int player_start() {
    if (player_thread.thread != nullptr) {
        CloseHandle(player_thread.thread);
        player_thread.thread = nullptr;
    }
    HMODULE module = nullptr;
    char path[MAX_PATH];
    if (player_thread.module_instance != nullptr &&
        (GetModuleFileNameA(player_thread.module_instance, path, sizeof path) == 0 ||
         (module = LoadLibraryA(path)) == nullptr)) {
        return 0;
    }
    player_thread.thread = CreateThread(nullptr, 0, player_run, module, 0, nullptr);
    if (player_thread.thread == nullptr) {
        if (module != nullptr) {
            FreeLibrary(module);
        }
        return 0;
    }
    player_thread.running = 1;
    return 1;
}

// The lock and the event are made before the first request and kept while
// a thread may use them.
void player_ready() {
    if (player_thread.ready == 0) {
        InitializeCriticalSection(&player_thread.lock);
        player_thread.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        player_thread.ready = 1;
    }
}

}  // namespace

void player_lock() {
    player_ready();
    EnterCriticalSection(&player_thread.lock);
}

void player_unlock() {
    LeaveCriticalSection(&player_thread.lock);
}

void player_set_module(HINSTANCE module_instance) {
    player_thread.module_instance = module_instance;
}

int player_post(PlayerRequest* request) {
    player_lock();
    request->serial = ++player_thread.posted;
    int queued = player_queue_add(&player_thread.queue, *request);
    // A thread that could not start is tried again at the next request;
    // the requests wait for it meanwhile.
    if (player_thread.running == 0) {
        player_start();
    }
    player_unlock();
    if (player_thread.wake != nullptr) {
        SetEvent(player_thread.wake);
    }
    return queued;
}

void player_post_radio(int32_t mode, int32_t power, int32_t paused) {
    player_lock();
    PlayerRadio& radio = player_thread.radio;
    int changed = radio.mode != mode || radio.power != power ? 1 : 0;
    radio.mode = mode;
    radio.power = power;
    radio.paused = paused;
    radio.posted = player_thread.posted;
    player_unlock();
    // A new mode may change how often the thread watches the CD.
    if (changed == 1 && player_thread.wake != nullptr) {
        SetEvent(player_thread.wake);
    }
}

void player_end() {
    if (player_thread.ready == 0) {
        return;
    }
    PlayerRequest quit;
    memset(&quit, 0, sizeof quit);
    quit.kind = REQUEST_QUIT;
    player_lock();
    int running = player_thread.running;
    player_unlock();
    if (running == 1) {
        player_post(&quit);
        WaitForSingleObject(player_thread.thread, PLAYER_QUIT_WAIT_MS);
    }
    player_lock();
    running = player_thread.running;
    player_unlock();
    // A thread still at work keeps the lock and the event, and serves the
    // next gauge's requests with them. Without a thread what waits is never
    // served: the next gauge starts afresh.
    if (running == 0) {
        player_thread.queue.count = 0;
        if (player_thread.thread != nullptr) {
            CloseHandle(player_thread.thread);
            player_thread.thread = nullptr;
        }
        if (player_thread.wake != nullptr) {
            CloseHandle(player_thread.wake);
            player_thread.wake = nullptr;
        }
        DeleteCriticalSection(&player_thread.lock);
        player_thread.ready = 0;
    }
}

int player_idle() {
    player_lock();
    int idle = player_thread.queue.count == 0 && player_thread.busy == 0 ? 1 : 0;
    player_unlock();
    return idle;
}

int player_waiting(int32_t device) {
    player_lock();
    int waiting = player_queue_changes(&player_thread.queue, device);
    player_unlock();
    return waiting;
}

PlayerRadio player_radio() {
    player_lock();
    PlayerRadio radio = player_thread.radio;
    player_unlock();
    return radio;
}

int32_t player_served() {
    player_lock();
    int32_t served = player_thread.served;
    player_unlock();
    return served;
}
