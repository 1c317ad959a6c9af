// The station, on the player thread. Reaching a station renders its address
// in a graph of its own, which waits on the network: the thread does it
// from its loop, after any request that came first, and a station that a
// newer request has made pointless by the time the network answers is not
// run. The station's state and title go into the media player's report; a
// change of state is also posted to the event window, whose static follows.
#include "audio/station.h"

#include <cstring>

#include "audio/com_release.h"
#include "audio/media_graph.h"
#include "audio/player_thread.h"

#ifdef _WIN32
// The interface's id is in no library MinGW links.
extern "C" const GUID IID_IAMMediaContent = {
    0xFA2AA8F4, 0x8B62, 0x11D0, {0xA5, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};
#endif

StationState station;

namespace {

// How often the thread looks at a station's graph, and for its title.
constexpr DWORD STREAM_WATCH_MS = 250;
constexpr DWORD STREAM_TITLE_MS = 1000;
// A station whose position stands still this long has stalled.
constexpr DWORD STREAM_STALL_MS = 5000;
// Heard this long, a station is back: its next loss retries after 1 s.
constexpr DWORD STREAM_STEADY_MS = 10000;

void station_report(int32_t status) {
    if (status == station.status) {
        return;
    }
    station.status = status;
    player_lock();
    media_report.station_status = status;
    if (status != STREAM_PLAYING) {
        media_report.station_title[0] = '\0';
    }
    player_unlock();
    PostMessageA(media_player.notify_window, STREAM_EVENT_MESSAGE, 0, 0);
}

void station_report_title(const char* title) {
    player_lock();
    strcpy(media_report.station_title, title);
    player_unlock();
}

void station_release() {
    if (station.control != nullptr) {
        station.control->Stop();
    }
    com_release(station.seeking);
    com_release(station.audio);
    com_release(station.events);
    com_release(station.control);
    com_release(station.graph);
}

enum StationReach : int32_t {
    REACH_FAILED = 0,
    REACH_HEARD = 1,
    REACH_POINTLESS = 2,  // a newer request waits: the station is not run
};

// Makes the graph, renders the address (which waits on the network) and
// runs it.
int32_t station_reach() {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&station.graph)))) {
        station.graph = nullptr;
        return REACH_FAILED;
    }
    IGraphBuilder* builder = station.graph;
    if (FAILED(builder->QueryInterface(IID_IMediaControl,
                                       reinterpret_cast<void**>(&station.control))) ||
        FAILED(builder->QueryInterface(IID_IMediaEventEx,
                                       reinterpret_cast<void**>(&station.events))) ||
        FAILED(
            builder->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&station.audio))) ||
        FAILED(builder->QueryInterface(IID_IMediaSeeking,
                                       reinterpret_cast<void**>(&station.seeking))) ||
        FAILED(builder->RenderFile(station.address, nullptr))) {
        return REACH_FAILED;
    }
    if (player_waiting(DEVICE_MEDIA) == 1) {
        return REACH_POINTLESS;
    }
    if (FAILED(station.control->Run())) {
        return REACH_FAILED;
    }
    station.volume = media_player.volume;
    station.audio->put_Volume(station.volume);
    station.position = -1;
    station.moved_at = GetTickCount();
    station.connected_at = station.moved_at;
    station.title_at = station.moved_at - STREAM_TITLE_MS;
    return REACH_HEARD;
}

// 1 when the station has ended, failed, or stood still too long. A graph
// that cannot tell its position is taken at its word.
int station_lost(DWORD now) {
    int lost = 0;
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    while (SUCCEEDED(station.events->GetEvent(&code, &param1, &param2, 0))) {
        station.events->FreeEventParams(code, param1, param2);
        if (code == EC_COMPLETE || code == EC_USERABORT || code == EC_ERRORABORT) {
            lost = 1;
        }
    }
    LONGLONG position = 0;
    if (FAILED(station.seeking->GetCurrentPosition(&position)) || position != station.position) {
        station.position = position;
        station.moved_at = now;
    }
    return lost == 1 || now - station.moved_at >= STREAM_STALL_MS ? 1 : 0;
}

// The title as the system code page writes it, cut to fit; 1 when there
// is one. A surrogate pair is never cut in two.
int station_title_text(const WCHAR* title, char* out, int size) {
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
int station_graph_title(char* out, int size) {
    IEnumFilters* filters = nullptr;
    if (FAILED(station.graph->EnumFilters(&filters))) {
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
                found = station_title_text(title, out, size);
            }
            SysFreeString(title);
            content->Release();
        }
        filter->Release();
    }
    filters->Release();
    return found;
}

// A station heard: its volume follows the player's, its title is read now
// and then, and heard long enough it counts as back.
void station_heard(DWORD now) {
    if (station.volume != media_player.volume) {
        station.volume = media_player.volume;
        station.audio->put_Volume(station.volume);
    }
    if (now - station.connected_at >= STREAM_STEADY_MS) {
        station.delay = STREAM_RETRY_FIRST_MS;
    }
    char title[256];
    if (now - station.title_at >= STREAM_TITLE_MS) {
        station.title_at = now;
        if (station_graph_title(title, sizeof title) == 1) {
            station_report_title(title);
        }
    }
}

}  // namespace

int station_play(const WCHAR* address) {
    station_release();
    station.wanted = 1;
    memcpy(station.address, address, sizeof station.address);
    station.address[255] = 0;
    station.retrying = 0;
    station.delay = STREAM_RETRY_FIRST_MS;
    station.status = STREAM_STOPPED;
    station_report(STREAM_CONNECTING);
    return 1;
}

void station_stop() {
    station_release();
    station.wanted = 0;
    station.status = STREAM_STOPPED;
}

DWORD station_watch(DWORD now) {
    if (station.wanted == 0) {
        return INFINITE;
    }
    if (station.graph == nullptr && station.retrying == 1 &&
        static_cast<LONG>(station.retry_at - now) > 0) {
        return station.retry_at - now;
    }
    if (station.graph != nullptr && station_lost(now) == 0) {
        station_heard(now);
        return STREAM_WATCH_MS;
    }
    int32_t reached = station.graph == nullptr ? station_reach() : REACH_FAILED;
    if (reached == REACH_POINTLESS) {
        station_release();
        return 0;
    }
    if (reached == REACH_FAILED) {
        station_release();
        station.retrying = 1;
        station.retry_at = GetTickCount() + station.delay;
        station.delay =
            station.delay * 2 < STREAM_RETRY_LAST_MS ? station.delay * 2 : STREAM_RETRY_LAST_MS;
    }
    station_report(reached == REACH_HEARD ? STREAM_PLAYING : STREAM_RETRYING);
    return 0;
}
