// The media file player over a DirectShow filter graph. A graph that cannot
// be made, or a call on it that fails, leaves the player silent and the
// simulator running: the operation goes no further, nothing plays, and later
// operations work on whatever objects remain (making a new graph when they
// need one). A playlist's station plays through the stream player, which
// shares the media volume, the event window and the stops.
#include "audio/media.h"

#include <cstring>

#include "audio/com_release.h"
#include "audio/playlist_player.h"
#include "audio/stream_player.h"

MediaPlayerState media_player;

namespace {

// How many graph events one notice handles (see media_on_events).
constexpr int MEDIA_EVENTS_PER_CALL = 8;

// Lets the whole graph go; releasing it also stops it.
void media_release_graph() {
    com_release(media_player.video);
    com_release(media_player.seeking);
    com_release(media_player.audio);
    com_release(media_player.events);
    com_release(media_player.control);
    com_release(media_player.graph);
    media_player.looping = 0;
    media_player.playing = 0;
}

// After a failure nothing may go on sounding: stop the graph, or let it go
// when even that fails.
void media_silence() {
    media_player.looping = 0;
    media_player.playing = 0;
    if (media_player.control != nullptr && FAILED(media_player.control->Stop())) {
        media_release_graph();
    }
}

// A new filter graph with every interface but the video window; 1 when all
// of them are there, else nothing is kept.
int media_build_graph() {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&media_player.graph)))) {
        media_player.graph = nullptr;
        return 0;
    }
    IGraphBuilder* graph = media_player.graph;
    if (FAILED(graph->QueryInterface(IID_IMediaControl,
                                     reinterpret_cast<void**>(&media_player.control))) ||
        FAILED(graph->QueryInterface(IID_IMediaEventEx,
                                     reinterpret_cast<void**>(&media_player.events))) ||
        FAILED(graph->QueryInterface(IID_IBasicAudio,
                                     reinterpret_cast<void**>(&media_player.audio))) ||
        FAILED(graph->QueryInterface(IID_IMediaSeeking,
                                     reinterpret_cast<void**>(&media_player.seeking)))) {
        media_release_graph();
        return 0;
    }
    return 1;
}

// The path as the wide text the graph takes; 0 when it does not fit.
int media_wide_path(const char* path, WCHAR* wide) {
    return MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path, -1, wide, 256) != 0 ? 1 : 0;
}

// Copies an RCDATA resource into a new "Res" temporary file whose name
// becomes the next table entry; that entry, or null.
const char* media_extract_resource(HRSRC resource) {
    TempFileTable& table = media_player.temp_files;
    if (table.count >= TEMP_FILE_CAPACITY) {
        return nullptr;
    }
    HINSTANCE module = media_player.module_instance;
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

}  // namespace

int media_init(HINSTANCE instance, int left, int top, int width, int height) {
    media_player.module_instance = instance;
    if (media_build_graph() == 1 &&
        FAILED(media_player.graph->QueryInterface(IID_IVideoWindow,
                                                  reinterpret_cast<void**>(&media_player.video)))) {
        media_release_graph();
    }
    // The window does not depend on the graph: a graph made later needs it.
    WNDCLASSA window_class;
    memset(&window_class, 0, sizeof window_class);
    window_class.lpfnWndProc = media_event_wndproc;
    window_class.hInstance = media_player.module_instance;
    window_class.lpszClassName = "EventNotify";
    RegisterClassA(&window_class);
    media_player.event_window =
        CreateWindowExA(0, "EventNotify", nullptr, WS_CLIPCHILDREN, 0, 0, 0, 0, nullptr, nullptr,
                        media_player.module_instance, nullptr);
    UpdateWindow(media_player.event_window);
    stream_init(media_player.module_instance, media_player.event_window);
    media_player.video_left = left;
    media_player.video_top = top;
    media_player.video_width = width;
    media_player.video_height = height;
    return 1;
}

MediaHandle media_open(const char* name) {
    // Without a graph nothing can be tried, and nothing is made.
    if (media_player.graph == nullptr && media_build_graph() == 0) {
        return nullptr;
    }
    // A playlist opens when one of its entries does. An address alone is no
    // file, and is never rendered here: that would wait on the network.
    if (playlist_format(name) != PLAYLIST_NONE) {
        return playlist_open(name) == 1 ? name : nullptr;
    }
    if (playlist_entry_kind(name) == PLAYLIST_ENTRY_STREAM) {
        return nullptr;
    }
    const char* path = name;
    HRSRC resource = FindResourceA(media_player.module_instance, name, RT_RCDATA);
    if (resource != nullptr) {
        path = media_extract_resource(resource);
        if (path == nullptr) {
            return nullptr;
        }
    }
    WCHAR wide[256];
    if (media_wide_path(path, wide) == 0 || media_test_file(wide) == 0) {
        return nullptr;
    }
    return path;
}

int media_test_file(const WCHAR* path) {
    return media_player.graph != nullptr && SUCCEEDED(media_player.graph->RenderFile(path, nullptr))
               ? 1
               : 0;
}

int media_play(MediaHandle handle, int loop) {
    if (handle == nullptr) {
        return 1;
    }
    if (playlist_format(handle) != PLAYLIST_NONE) {
        playlist_play(handle, loop);
        return 1;
    }
    playlist_stop();
    WCHAR wide[256];
    int converted = media_wide_path(handle, wide);
    media_play_file(converted == 1 ? wide : nullptr, loop);
    return 1;
}

int media_play_file(const WCHAR* path, int loop) {
    stream_stop();
    media_player.streaming = 0;
    com_release(media_player.video);
    if (media_player.control != nullptr && FAILED(media_player.control->Stop())) {
        media_release_graph();
        return 0;
    }
    media_release_graph();

    if (media_build_graph() == 0) {
        return 0;
    }
    // A file gone since it was opened plays nothing; the empty graph stays.
    if (path == nullptr || FAILED(media_player.graph->RenderFile(path, nullptr))) {
        return 0;
    }
    if (FAILED(media_player.graph->QueryInterface(IID_IVideoWindow,
                                                  reinterpret_cast<void**>(&media_player.video)))) {
        media_player.video = nullptr;
        return 0;
    }
    IVideoWindow* video = media_player.video;
    video->put_Owner(reinterpret_cast<OAHWND>(GetActiveWindow()));
    video->put_WindowStyle(WS_CHILD | WS_CLIPCHILDREN);
    video->SetWindowPosition(media_player.video_left, media_player.video_top,
                             media_player.video_width, media_player.video_height);
    video->SetWindowForeground(OATRUE);
    media_player.looping = loop == 1 ? 1 : 0;
    if (FAILED(media_player.events->SetNotifyWindow(
            reinterpret_cast<OAHWND>(media_player.event_window), MEDIA_EVENT_MESSAGE, 0)) ||
        FAILED(media_player.control->Run()) ||
        FAILED(media_player.audio->put_Volume(media_player.volume))) {
        media_silence();
        return 0;
    }
    media_player.playing = 1;
    return 1;
}

int media_play_stream(const WCHAR* address) {
    media_silence();
    media_player.streaming = 1;
    stream_play(address);
    return 1;
}

int media_stop() {
    playlist_stop();
    stream_stop();
    media_player.streaming = 0;
    if (media_player.control != nullptr && FAILED(media_player.control->Stop())) {
        media_release_graph();
        return 1;
    }
    media_player.looping = 0;
    media_player.playing = 0;
    if (media_player.video != nullptr) {
        media_player.video->put_Visible(OAFALSE);
    }
    return 1;
}

int media_set_volume(VolumeLevel level) {
    level = volume_clamped(level);
    media_player.volume = level;
    stream_set_volume(level);
    if (media_player.playing == 1 && FAILED(media_player.audio->put_Volume(media_player.volume))) {
        media_silence();
    }
    return 1;
}

int media_shutdown() {
    media_stop();
    stream_shutdown();
    if (media_player.video != nullptr) {
        media_player.video->put_Visible(OAFALSE);
        media_player.video->put_Owner(0);
    }
    if (media_player.events != nullptr) {
        media_player.events->SetNotifyWindow(0, 0, 0);
    }
    if (media_player.event_window != nullptr) {
        DestroyWindow(media_player.event_window);
        media_player.event_window = nullptr;
    }
    media_release_graph();
    // Only now, with the graph that read them gone, can the files go.
    TempFileTable& table = media_player.temp_files;
    for (int i = 0; i < table.count; ++i) {
        DeleteFileA(table.names[i]);
    }
    table.count = 0;
    return 1;
}

void media_on_events() {
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    // A few events a call: a clip of a few milliseconds, looping, ends again
    // as fast as it is rewound, and the panel's thread must not stay here.
    // Every event posts its own message, so none is left unread.
    for (int handled = 0; handled < MEDIA_EVENTS_PER_CALL && media_player.events != nullptr &&
                          SUCCEEDED(media_player.events->GetEvent(&code, &param1, &param2, 0));
         ++handled) {
        media_player.events->FreeEventParams(code, param1, param2);
        // A playlist entry that fails on the way is done with: the list
        // goes on rather than stall in silence.
        int entry_failed =
            code == EC_ERRORABORT && playlist_player.playing == 1 && media_player.looping == 0;
        if (code != EC_COMPLETE && code != EC_USERABORT && entry_failed == 0) {
            continue;
        }
        if (media_player.looping == 1) {
            // The graph keeps running: the file plays again from its start.
            LONGLONG start = 0;
            media_player.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                               AM_SEEKING_NoPositioning);
        } else if (playlist_player.playing == 1) {
            // The next entry's graph takes this one's place; its events
            // come with messages of their own.
            playlist_on_entry_end();
            return;
        } else {
            media_player.playing = 0;
        }
    }
}

LRESULT CALLBACK media_event_wndproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == MEDIA_EVENT_MESSAGE) {
        media_on_events();
    } else if (message == STREAM_EVENT_MESSAGE) {
        stream_on_events();
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int media_step(MediaHandle handle, int direction) {
    if (handle != nullptr && playlist_format(handle) != PLAYLIST_NONE) {
        playlist_step(handle, direction);
    }
    return 1;
}

const char* media_playing_text(MediaHandle handle, const char* name) {
    const char* text = playlist_playing_text(handle, name);
    return text != nullptr ? text : name;
}
