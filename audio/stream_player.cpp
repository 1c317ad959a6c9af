// The stream player. The panel's thread writes requests into the shared
// record and wakes the stream thread; the thread takes a copy, does the
// slow work (the graph's RenderFile of the address waits on the network)
// with the lock let go, and reports the station's state back, for the
// request it served only, with a message to the notify window. The static
// is the panel thread's: a looping sound buffer that starts and stops with
// the state the messages bring, and stops at once with the station.
//
// A thread holds the module while it runs and lets it go as it ends, so a
// gauge killed while its thread still waits on the network is never
// unloaded under it. Pre-kill waits a short time for the thread; one that
// is still waiting ends on its own when the network returns, touching
// nothing of the next gauge's: each thread belongs to a generation, and
// ends without a word when its generation is no longer the current one.
#include "audio/stream_player.h"

#include <cstring>

#include "audio/com_release.h"
#include "audio/sound.h"

#ifdef _WIN32
// The interface's id is in no library MinGW links.
extern "C" const GUID IID_IAMMediaContent = {
    0xFA2AA8F4, 0x8B62, 0x11D0, {0xA5, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};
#endif

StreamPlayerState stream_player;

namespace {

// How often the thread looks at a station's graph, and for its title.
constexpr DWORD STREAM_WATCH_MS = 250;
constexpr DWORD STREAM_TITLE_MS = 1000;
// A station whose position stands still this long has stalled.
constexpr DWORD STREAM_STALL_MS = 5000;
// Heard this long, a station is back: its next loss retries after 1 s.
constexpr DWORD STREAM_STEADY_MS = 10000;
// How long pre-kill waits for the thread to end.
constexpr DWORD STREAM_QUIT_WAIT_MS = 300;

// A thread's graph, on the thread's own stack: a thread left to end on
// its own keeps its graph away from the next one's.
struct StreamGraph {
    IGraphBuilder* graph;
    IMediaControl* control;
    IMediaEventEx* events;
    IBasicAudio* audio;
    IMediaSeeking* seeking;
    VolumeLevel volume;
    LONGLONG position;
    DWORD moved_at;
    DWORD connected_at;
    DWORD title_at;
};

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

// The state of the request served, unless a newer one has come.
void stream_report(int32_t generation, int32_t request, int32_t status) {
    stream_lock();
    if (stream_player.generation == generation && stream_player.request == request &&
        stream_player.status != status) {
        stream_player.status = status;
        if (status != STREAM_PLAYING) {
            stream_player.title[0] = '\0';
        }
        PostMessageA(stream_player.notify_window, STREAM_EVENT_MESSAGE, 0, 0);
    }
    stream_unlock();
}

void stream_report_title(int32_t generation, int32_t request, const char* title) {
    stream_lock();
    if (stream_player.generation == generation && stream_player.request == request &&
        stream_player.status == STREAM_PLAYING) {
        strcpy(stream_player.title, title);
    }
    stream_unlock();
}

void stream_release_graph(StreamGraph* graph) {
    if (graph->control != nullptr) {
        graph->control->Stop();
    }
    com_release(graph->seeking);
    com_release(graph->audio);
    com_release(graph->events);
    com_release(graph->control);
    com_release(graph->graph);
}

// Makes the graph, renders the address (which waits on the network) and
// runs it; 1 when the station plays. A station no longer wanted once the
// network answers is not run.
int stream_connect(StreamGraph* graph, const StreamRequest& asked, int32_t generation) {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&graph->graph)))) {
        graph->graph = nullptr;
        return 0;
    }
    IGraphBuilder* builder = graph->graph;
    if (FAILED(builder->QueryInterface(IID_IMediaControl,
                                       reinterpret_cast<void**>(&graph->control))) ||
        FAILED(
            builder->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&graph->events))) ||
        FAILED(builder->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&graph->audio))) ||
        FAILED(builder->QueryInterface(IID_IMediaSeeking,
                                       reinterpret_cast<void**>(&graph->seeking))) ||
        FAILED(builder->RenderFile(asked.address, nullptr))) {
        return 0;
    }
    StreamRequest now;
    stream_take(generation, &now);
    if (now.current == 0 || now.request != asked.request || now.play == 0 ||
        FAILED(graph->control->Run())) {
        return 0;
    }
    graph->volume = now.volume;
    graph->audio->put_Volume(graph->volume);
    graph->position = -1;
    graph->moved_at = GetTickCount();
    graph->connected_at = graph->moved_at;
    graph->title_at = graph->moved_at - STREAM_TITLE_MS;
    return 1;
}

// 1 when the station has ended, failed, or stood still too long. A graph
// that cannot tell its position is taken at its word.
int stream_lost(StreamGraph* graph, DWORD now) {
    int lost = 0;
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    while (SUCCEEDED(graph->events->GetEvent(&code, &param1, &param2, 0))) {
        graph->events->FreeEventParams(code, param1, param2);
        if (code == EC_COMPLETE || code == EC_USERABORT || code == EC_ERRORABORT) {
            lost = 1;
        }
    }
    LONGLONG position = 0;
    if (FAILED(graph->seeking->GetCurrentPosition(&position)) || position != graph->position) {
        graph->position = position;
        graph->moved_at = now;
    }
    return lost == 1 || now - graph->moved_at >= STREAM_STALL_MS ? 1 : 0;
}

// The title as the system code page writes it, cut to fit; 1 when there
// is one. A surrogate pair is never cut in two.
int stream_title_text(const WCHAR* title, char* out, int size) {
    int length = 0;
    while (length < 255 && title[length] != 0) {
        ++length;
    }
    while (length > 0) {
        int written =
            WideCharToMultiByte(CP_ACP, 0, title, length, out, size - 1, nullptr, nullptr);
        if (written > 0) {
            out[written] = '\0';
            return 1;
        }
        length -= length / 4 + 1;
        if (length > 0 && title[length - 1] >= 0xD800 && title[length - 1] <= 0xDBFF) {
            --length;
        }
    }
    return 0;
}

// The first title a filter of the graph knows (a station's source knows
// what the station sends); 1 when there is one.
int stream_graph_title(StreamGraph* graph, char* out, int size) {
    IEnumFilters* filters = nullptr;
    if (FAILED(graph->graph->EnumFilters(&filters))) {
        return 0;
    }
    int found = 0;
    IBaseFilter* filter = nullptr;
    while (found == 0 && filters->Next(1, &filter, nullptr) == S_OK) {
        IAMMediaContent* content = nullptr;
        if (SUCCEEDED(
                filter->QueryInterface(IID_IAMMediaContent, reinterpret_cast<void**>(&content)))) {
            BSTR title = nullptr;
            if (content->get_Title(&title) == S_OK && title != nullptr) {
                found = stream_title_text(title, out, size);
            }
            SysFreeString(title);
            content->Release();
        }
        filter->Release();
    }
    filters->Release();
    return found;
}

DWORD WINAPI stream_thread(LPVOID parameter) {
    int32_t generation = static_cast<int32_t>(reinterpret_cast<LONG_PTR>(parameter));
    HMODULE module = stream_player.module;
    // The thread waits on events, never on window messages: it joins the
    // process's multithreaded apartment rather than make one of its own,
    // which COM (and the network reading under a graph) would reach
    // through a message queue nobody reads.
    int com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) ? 1 : 0;
    StreamGraph graph;
    memset(&graph, 0, sizeof graph);
    int32_t served = -1;
    int32_t retrying = 0;
    DWORD delay = STREAM_RETRY_FIRST_MS;
    DWORD retry_at = 0;
    char title[256];
    for (;;) {
        StreamRequest asked;
        stream_take(generation, &asked);
        if (asked.current == 0) {
            break;
        }
        if (asked.request != served) {
            stream_release_graph(&graph);
            served = asked.request;
            retrying = 0;
            delay = STREAM_RETRY_FIRST_MS;
        }
        DWORD now = GetTickCount();
        DWORD wait = STREAM_WATCH_MS;
        if (asked.play == 0) {
            wait = INFINITE;
        } else if (graph.graph == nullptr && retrying == 1 &&
                   static_cast<LONG>(retry_at - now) > 0) {
            wait = retry_at - now;
        } else if (graph.graph == nullptr || stream_lost(&graph, now) == 1) {
            int heard = graph.graph == nullptr && stream_connect(&graph, asked, generation) == 1;
            if (heard == 0) {
                stream_release_graph(&graph);
                retrying = 1;
                retry_at = GetTickCount() + delay;
                delay = delay * 2 < STREAM_RETRY_LAST_MS ? delay * 2 : STREAM_RETRY_LAST_MS;
            }
            stream_report(generation, served, heard == 1 ? STREAM_PLAYING : STREAM_RETRYING);
            continue;
        } else {
            if (asked.volume != graph.volume) {
                graph.volume = asked.volume;
                graph.audio->put_Volume(graph.volume);
            }
            if (now - graph.connected_at >= STREAM_STEADY_MS) {
                delay = STREAM_RETRY_FIRST_MS;
            }
            if (now - graph.title_at >= STREAM_TITLE_MS) {
                graph.title_at = now;
                if (stream_graph_title(&graph, title, sizeof title) == 1) {
                    stream_report_title(generation, served, title);
                }
            }
        }
        // A wait that fails would go round without pause: the thread ends
        // instead, and the next request starts another.
        if (WaitForSingleObject(stream_player.wake, wait) == WAIT_FAILED) {
            stream_report(generation, served, STREAM_RETRYING);
            break;
        }
    }
    stream_release_graph(&graph);
    // The last touch of the shared record: a wake this thread may have
    // taken goes on to the next thread.
    stream_lock();
    SetEvent(stream_player.wake);
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
    stream_unlock();
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
    stream_static(stream_player.play == 1 && stream_status() == STREAM_RETRYING ? 1 : 0);
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
