// The media player over a DirectShow filter graph, on the player thread. A
// graph that cannot be made, or a call on it that fails, leaves the player
// silent and the simulator running: the operation goes no further, nothing
// plays, and later operations work on whatever objects remain (making a new
// graph when they need one). The graph's events are read through its event
// handle, which the thread waits on. Each pass of a file starts at a time
// the player chose on the graph's reference clock, so it knows when the
// pass ends: a looping file is rewound, or a playlist goes on, once its end
// has been heard, which may be after the graph reported it.
#include "audio/media_graph.h"

#include <cstring>

#include "audio/com_release.h"
#include "audio/media_answers.h"
#include "audio/player_thread.h"
#include "audio/playlist_player.h"
#include "audio/station_player.h"

MediaPlayerState media_player;

namespace {

// How many graph events one look handles: a clip of a few milliseconds,
// looping, ends again as fast as it is rewound, and requests must still be
// served between.
constexpr int MEDIA_EVENTS_PER_LOOK = 8;
// How often events are looked for while the event handle cannot be trusted.
constexpr DWORD MEDIA_EVENTS_STUCK_MS = 250;
// How far ahead of now a pass starts on the graph's reference clock (100 ns
// units): time for the run to reach the renderer, which already holds the
// pass's first samples. Less, and a renderer that keeps to the clock skips
// the samples it got late: the pass loses its start. It is also the
// silence at each loop point, and a press's wait for its sound.
constexpr REFERENCE_TIME MEDIA_RUN_LEAD = 100000;
// How long a start waits for the paused graph's renderer to hold its first
// samples, so that the pass is heard from its start.
constexpr DWORD MEDIA_CUE_WAIT_MS = 1000;
// The most a renderer is believed to hold after reporting the end: an end
// further away is a clock or a length gone wrong, and is not waited for.
constexpr REFERENCE_TIME MEDIA_END_WAIT_MAX = 20000000;

// Nothing plays any more, nor is awaited.
void media_forget_play() {
    media_player.looping = 0;
    media_player.playing = 0;
    media_player.pass_end = 0;
}

// Lets the whole graph go; releasing it also stops it.
void media_release_graph() {
    com_release(media_player.video);
    com_release(media_player.filter);
    com_release(media_player.seeking);
    com_release(media_player.audio);
    com_release(media_player.events);
    com_release(media_player.control);
    com_release(media_player.graph);
    media_player.event_handle = nullptr;
    media_forget_play();
}

// After a failure nothing may go on sounding: stop the graph, or let it go
// when even that fails.
void media_graph_silence() {
    media_forget_play();
    if (media_player.control != nullptr && FAILED(media_player.control->Stop())) {
        media_release_graph();
    }
}

// The graph's reference clock now; 0 when it has none.
REFERENCE_TIME media_clock_now() {
    IReferenceClock* clock = nullptr;
    REFERENCE_TIME now = 0;
    if (media_player.filter != nullptr && SUCCEEDED(media_player.filter->GetSyncSource(&clock)) &&
        clock != nullptr) {
        if (FAILED(clock->GetTime(&now))) {
            now = 0;
        }
        clock->Release();
    }
    return now;
}

// Runs the paused graph with the pass starting a moment from now on its
// clock, and notes when; without a clock it runs as it likes.
int media_run_pass() {
    REFERENCE_TIME now = media_clock_now();
    media_player.pass_start = now != 0 ? now + MEDIA_RUN_LEAD : 0;
    HRESULT result =
        now != 0 ? media_player.filter->Run(media_player.pass_start) : media_player.control->Run();
    return SUCCEEDED(result) ? 1 : 0;
}

// Starts the rendered graph: paused until its renderer holds the file's
// first samples, then run at a time of the player's choosing.
int media_start_graph() {
    media_player.pass_start = 0;
    if (media_player.filter == nullptr) {
        return SUCCEEDED(media_player.control->Run()) ? 1 : 0;
    }
    if (FAILED(media_player.control->Pause())) {
        return 0;
    }
    OAFilterState state = State_Paused;
    media_player.control->GetState(MEDIA_CUE_WAIT_MS, &state);
    return media_run_pass();
}

// The file plays again from its start: the graph paused, rewound and run
// again at once, rather than seeked while it runs (which some graphs do by
// running again later). Without the means the running graph is seeked.
void media_rewind() {
    LONGLONG start = 0;
    if (media_player.filter == nullptr) {
        media_player.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                           AM_SEEKING_NoPositioning);
        return;
    }
    if (FAILED(media_player.control->Pause()) ||
        FAILED(media_player.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                                  AM_SEEKING_NoPositioning)) ||
        media_run_pass() == 0) {
        media_graph_silence();
        media_report_plays(MEDIA_PLAYS_NOTHING, "");
    }
}

// The pass has been heard to its end: a looping file plays again, a
// playlist's next entry takes this one's place.
void media_pass_over() {
    media_player.pass_end = 0;
    if (media_player.looping == 1) {
        media_rewind();
    } else if (playlist_player.playing == 1) {
        playlist_on_entry_end(1);
    }
}

// The graph reported the pass's end: it is over when the pass has played
// its length from its start, which is waited for unless it is past or not
// known.
void media_await_pass_end() {
    LONGLONG length = 0;
    REFERENCE_TIME now = media_clock_now();
    REFERENCE_TIME end = media_player.pass_start;
    if (end != 0 && now != 0 && SUCCEEDED(media_player.seeking->GetDuration(&length))) {
        end += length;
    }
    if (end > now && end - now <= MEDIA_END_WAIT_MAX) {
        media_player.pass_end = end;
    } else {
        media_pass_over();
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
    if (FAILED(graph->QueryInterface(IID_IMediaFilter,
                                     reinterpret_cast<void**>(&media_player.filter)))) {
        media_player.filter = nullptr;
    }
    return 1;
}

// The path as the wide text the graph takes; 0 when it does not fit.
int media_wide_path(const char* path, WCHAR* wide) {
    return MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path, -1, wide, 256) != 0 ? 1 : 0;
}

// 1 when the file at path plays, or the list at path has an entry that does.
int media_test_path(const char* path) {
    // Without a graph nothing can be tried, and nothing is made.
    if (media_player.graph == nullptr && media_build_graph() == 0) {
        return 0;
    }
    if (playlist_format(path) != PLAYLIST_NONE) {
        return playlist_open(path);
    }
    WCHAR wide[256];
    return media_wide_path(path, wide) == 1 ? media_test_file(wide) : 0;
}

void media_init_graph(const PlayerRequest& request) {
    media_player.video_left = request.values[0];
    media_player.video_top = request.values[1];
    media_player.video_width = request.values[2];
    media_player.video_height = request.values[3];
    media_player.notify_window = reinterpret_cast<HWND>(const_cast<char*>(request.handle));
    if (media_build_graph() == 1 &&
        FAILED(media_player.graph->QueryInterface(IID_IVideoWindow,
                                                  reinterpret_cast<void**>(&media_player.video)))) {
        media_release_graph();
    }
}

void media_play_handle(const PlayerRequest& request) {
    // A handle whose file failed its test plays nothing, as a preset
    // without a handle does.
    if (media_answer_passed(request.handle) == 0) {
        media_report_plays(MEDIA_PLAYS_NOTHING, "");
        return;
    }
    if (playlist_format(request.path) != PLAYLIST_NONE) {
        playlist_play(request.handle, request.path, request.values[0]);
        return;
    }
    playlist_stop();
    WCHAR wide[256];
    int converted = media_wide_path(request.path, wide);
    int played = media_play_file(converted == 1 ? wide : nullptr, request.values[0]);
    media_report_plays(played == 1 ? MEDIA_PLAYS_FILE : MEDIA_PLAYS_NOTHING, "");
}

void media_stop_now() {
    playlist_stop();
    media_silence();
    // A graph whose stop failed is gone, its window with it.
    if (media_player.video != nullptr) {
        media_player.video->put_Visible(OAFALSE);
    }
}

void media_apply_volume(VolumeLevel level) {
    media_player.volume = volume_clamped(level);
    // A station takes it at its next watch.
    if (media_player.playing == 1 && FAILED(media_player.audio->put_Volume(media_player.volume))) {
        media_silence();
        media_report_plays(MEDIA_PLAYS_NOTHING, "");
    }
}

void media_shutdown_graph() {
    media_stop_now();
    if (media_player.video != nullptr) {
        media_player.video->put_Visible(OAFALSE);
        media_player.video->put_Owner(0);
    }
    media_release_graph();
}

}  // namespace

void media_serve(const PlayerRequest& request) {
    bool change = request.kind == REQUEST_MEDIA_PLAY || request.kind == REQUEST_MEDIA_STEP ||
                  request.kind == REQUEST_MEDIA_STOP || request.kind == REQUEST_MEDIA_SHUTDOWN;
    if (change) {
        media_player.request = request.serial;
        media_player.handle = request.handle;
    }
    switch (request.kind) {
        case REQUEST_MEDIA_INIT:
            media_init_graph(request);
            break;
        case REQUEST_MEDIA_TEST: {
            int opened = request.needs == nullptr || media_answer_passed(request.needs) == 1
                             ? media_test_path(request.path)
                             : 0;
            media_answer_given(request.handle, request.serial, opened);
            break;
        }
        case REQUEST_MEDIA_PLAY:
            media_play_handle(request);
            break;
        case REQUEST_MEDIA_STEP:
            playlist_step(request.handle, request.path, request.values[0]);
            break;
        case REQUEST_MEDIA_STOP:
            media_stop_now();
            media_report_plays(MEDIA_PLAYS_NOTHING, "");
            break;
        case REQUEST_MEDIA_VOLUME:
            media_apply_volume(request.values[0]);
            break;
        case REQUEST_MEDIA_SHUTDOWN:
            media_shutdown_graph();
            media_report_plays(MEDIA_PLAYS_NOTHING, "");
            break;
        default:
            break;
    }
}

int media_test_file(const WCHAR* path) {
    return media_player.graph != nullptr && SUCCEEDED(media_player.graph->RenderFile(path, nullptr))
               ? 1
               : 0;
}

int media_play_file(const WCHAR* path, int loop) {
    station_player_stop();
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
    OAEVENT event = 0;
    if (FAILED(media_player.events->GetEventHandle(&event)) || media_start_graph() == 0 ||
        FAILED(media_player.audio->put_Volume(media_player.volume))) {
        media_graph_silence();
        return 0;
    }
    media_player.event_handle = reinterpret_cast<HANDLE>(event);
    media_player.events_stuck = 0;
    media_player.playing = 1;
    return 1;
}

int media_play_stream(const WCHAR* address) {
    media_graph_silence();
    media_player.streaming = 1;
    station_player_play(address);
    return 1;
}

void media_silence() {
    station_player_stop();
    media_player.streaming = 0;
    media_graph_silence();
}

void media_report_plays(int32_t plays, const char* title) {
    player_lock();
    MediaReport& report = media_report;
    report.request = media_player.request;
    report.handle = plays == MEDIA_PLAYS_NOTHING ? nullptr : media_player.handle;
    report.plays = plays;
    size_t length = strnlen(title, sizeof report.title - 1);
    memcpy(report.title, title, length);
    report.title[length] = '\0';
    // A station reports its own state from here on.
    report.station_status = plays == MEDIA_PLAYS_STATION ? STATION_CONNECTING : STATION_IDLE;
    report.station_title[0] = '\0';
    report.station_format[0] = '\0';
    player_unlock();
}

int media_on_events() {
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    int handled = 0;
    while (handled < MEDIA_EVENTS_PER_LOOK && media_player.events != nullptr &&
           SUCCEEDED(media_player.events->GetEvent(&code, &param1, &param2, 0))) {
        ++handled;
        media_player.events_stuck = 0;
        media_player.events->FreeEventParams(code, param1, param2);
        // A playlist entry that fails on the way is done with: the list
        // goes on rather than stall in silence.
        int entry_failed =
            code == EC_ERRORABORT && playlist_player.playing == 1 && media_player.looping == 0;
        if (code != EC_COMPLETE && code != EC_USERABORT && entry_failed == 0) {
            continue;
        }
        if (entry_failed == 1) {
            // The next entry's graph takes this one's place.
            playlist_on_entry_end(0);
            break;
        }
        if (media_player.looping == 0 && playlist_player.playing == 0) {
            media_player.playing = 0;
            media_report_plays(MEDIA_PLAYS_NOTHING, "");
            continue;
        }
        // A pass cut short by its viewer is over at once.
        int entry = media_player.looping == 0 ? 1 : 0;
        if (code == EC_COMPLETE) {
            media_await_pass_end();
        } else {
            media_pass_over();
        }
        if (entry == 1) {
            break;
        }
    }
    return handled;
}

DWORD media_watch() {
    DWORD wait = INFINITE;
    if (media_player.events_stuck == 1 && media_player.events != nullptr) {
        media_on_events();
        wait = MEDIA_EVENTS_STUCK_MS;
    }
    if (media_player.pass_end != 0) {
        REFERENCE_TIME left = media_player.pass_end - media_clock_now();
        if (left > 0 && left <= MEDIA_END_WAIT_MAX) {
            DWORD due = static_cast<DWORD>((left + 9999) / 10000);
            wait = due < wait ? due : wait;
        } else {
            media_pass_over();
            wait = 0;
        }
    }
    return wait;
}

HANDLE media_wait_handle() {
    return media_player.events_stuck == 0 ? media_player.event_handle : nullptr;
}
