// The filter graph manager. RenderFile proves that a file decodes to audio
// (file_test.cpp) and keeps it as one chain of the graph; an address is a
// file name like any other (there is no source filter for the network). Run,
// Pause, Stop, SetPositions and the graph's release do their GStreamer work
// before they return, as the platform's do; what the chains do later (their
// end, a failure) arrives as events, read through the event handle or
// posted to a notify window. The graph's reference clock is GStreamer's
// monotonic system clock, which its chains keep to: run at a start time,
// each sample sounds that long after the start as its time in the stream
// (graph_playback.h). Offered: the methods the radio calls on IGraphBuilder,
// IMediaControl, IMediaFilter, IMediaEventEx, IMediaEventSink, IBasicAudio,
// IMediaSeeking and an inert IVideoWindow; the clock's IReferenceClock.
// Refused: RenderFile while the graph runs, seeking other than to an
// absolute position, and volume without a file.
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com_object.h"
#include "platform/file_test.h"
#include "platform/files_state.h"
#include "platform/graph_playback.h"
#include "platform/gst_decode.h"
#include "platform/gst_output.h"
#include "platform/native/com_classes.h"
#include "platform/native/dshow.h"
#include "platform/native/files.h"
#include "platform/native/standin.h"
#include "platform/native/windows.h"
#include "platform/tester_process.h"
#include "platform/utf8.h"

const CLSID CLSID_FilterGraph = {
    0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IGraphBuilder = {
    0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IMediaControl = {
    0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IMediaEvent = {
    0x56A868B6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IMediaEventEx = {
    0x56A868C0, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IMediaEventSink = {
    0x56A868A2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IBasicAudio = {
    0x56A868B3, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IMediaSeeking = {
    0x36B73880, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};
const IID IID_IVideoWindow = {
    0x56A868B4, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IMediaFilter = {
    0x56A86899, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IReferenceClock = {
    0x56A86897, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

namespace {

// The graph's clock: GStreamer's system clock, in 100 ns units.
class ReferenceClock final : public plat::SingleInterface<IReferenceClock, ReferenceClock> {
  public:
    ReferenceClock() : SingleInterface("IReferenceClock", IID_IReferenceClock) {}

    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* time) override {
        HRESULT result = S_OK;
        if (time == nullptr) {
            result = E_POINTER;
        } else if (plat::fault("IReferenceClock::GetTime")) {
            result = E_FAIL;
        } else {
            *time = static_cast<REFERENCE_TIME>(plat::GraphPlayback::clock_time() / 100);
        }
        plat::Trace("IReferenceClock::GetTime").ret(result);
        return result;
    }

  private:
    friend class plat::ComCount;
    ~ReferenceClock() = default;
};

class FilterGraph final : public IGraphBuilder,
                          public IMediaControl,
                          public IMediaFilter,
                          public IMediaEventEx,
                          public IMediaEventSink,
                          public IBasicAudio,
                          public IMediaSeeking,
                          public IVideoWindow {
  public:
    // The interface iid names, with its name; null when the graph has none.
    void* find(REFIID iid, const char** interface_name) {
        const char* name = "unknown-interface";
        void* found = nullptr;
        if (iid == IID_IUnknown || iid == IID_IGraphBuilder) {
            name = iid == IID_IUnknown ? "IUnknown" : "IGraphBuilder";
            found = static_cast<IGraphBuilder*>(this);
        } else if (iid == IID_IMediaControl) {
            name = "IMediaControl";
            found = static_cast<IMediaControl*>(this);
        } else if (iid == IID_IMediaFilter) {
            name = "IMediaFilter";
            found = static_cast<IMediaFilter*>(this);
        } else if (iid == IID_IMediaEventEx || iid == IID_IMediaEvent) {
            name = iid == IID_IMediaEvent ? "IMediaEvent" : "IMediaEventEx";
            found = static_cast<IMediaEventEx*>(this);
        } else if (iid == IID_IMediaEventSink) {
            name = "IMediaEventSink";
            found = static_cast<IMediaEventSink*>(this);
        } else if (iid == IID_IBasicAudio) {
            name = "IBasicAudio";
            found = static_cast<IBasicAudio*>(this);
        } else if (iid == IID_IMediaSeeking) {
            name = "IMediaSeeking";
            found = static_cast<IMediaSeeking*>(this);
        } else if (iid == IID_IVideoWindow) {
            name = "IVideoWindow";
            found = static_cast<IVideoWindow*>(this);
        }
        *interface_name = name;
        return found;
    }

    // --- IUnknown ---
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        const char* name = nullptr;
        void* found = find(iid, &name);
        return references_.query(name, found, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references_.release(this); }

    // --- IGraphBuilder ---
    HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR file, LPCWSTR) override {
        std::string name = file != nullptr ? plat::utf8_from_utf16(file) : "";
        std::string path = plat::native_path(name.c_str());
        plat::Trace trace("IGraphBuilder::RenderFile");
        trace.str(file != nullptr ? path.c_str() : nullptr);
        HRESULT result = S_OK;
        if (file == nullptr) {
            result = E_POINTER;
        } else if (plat::fault("IGraphBuilder::RenderFile")) {
            result = VFW_E_CANNOT_RENDER;
        } else if (state_ != State_Stopped) {
            result = VFW_E_NOT_STOPPED;
        } else {
            result = plat::probe_file(path);
            if (SUCCEEDED(result)) {
                // The graph's source reads the file until the graph goes,
                // wherever the current directory moves meanwhile.
                std::error_code error;
                std::string absolute = std::filesystem::absolute(path, error).string();
                sources_.push_back(plat::GraphSource{error ? path : absolute});
                plat::hold_file(sources_.back().path);
            }
        }
        trace.ret(result);
        return result;
    }

    // --- IMediaControl ---
    HRESULT STDMETHODCALLTYPE Run() override {
        return change_state("IMediaControl::Run", GST_STATE_PLAYING, State_Running);
    }

    HRESULT STDMETHODCALLTYPE Pause() override {
        return change_state("IMediaControl::Pause", GST_STATE_PAUSED, State_Paused);
    }

    HRESULT STDMETHODCALLTYPE Stop() override {
        HRESULT result = S_OK;
        if (plat::fault("IMediaControl::Stop")) {
            result = E_FAIL;
        } else {
            playback_->set_reporting(false);
            playback_->stop();
            state_ = State_Stopped;
        }
        plat::Trace("IMediaControl::Stop").ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE GetState(long, OAFilterState* state) override {
        HRESULT result = state == nullptr ? E_POINTER : S_OK;
        if (state != nullptr) {
            *state = state_;
        }
        plat::Trace("IMediaControl::GetState").ret(result).num(state_);
        return result;
    }

    // --- IMediaFilter ---
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override {
        return change_state("IMediaFilter::Run", GST_STATE_PLAYING, State_Running,
                            static_cast<GstClockTime>(start < 0 ? 0 : start) * 100);
    }

    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override {
        HRESULT result = S_OK;
        if (clock == nullptr) {
            result = E_POINTER;
        } else if (plat::fault("IMediaFilter::GetSyncSource")) {
            *clock = nullptr;
            result = E_FAIL;
        } else {
            clock_->AddRef();
            *clock = clock_;
        }
        plat::Trace("IMediaFilter::GetSyncSource").ret(result);
        return result;
    }

    // --- IMediaEvent(Ex) ---
    HRESULT STDMETHODCALLTYPE GetEventHandle(OAEVENT* event) override {
        HRESULT result = S_OK;
        if (event == nullptr) {
            result = E_POINTER;
        } else if (plat::fault("IMediaEventEx::GetEventHandle")) {
            *event = 0;
            result = E_OUTOFMEMORY;
        } else {
            *event = reinterpret_cast<OAEVENT>(playback_->event_handle());
        }
        plat::Trace("IMediaEventEx::GetEventHandle").ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2,
                                       long timeout) override {
        plat::Trace trace("IMediaEventEx::GetEvent");
        trace.num(timeout);
        HRESULT result = S_OK;
        plat::GraphEvent event{0, 0, 0};
        if (code == nullptr || param1 == nullptr || param2 == nullptr) {
            result = E_POINTER;
        } else if (plat::fault("IMediaEventEx::GetEvent")) {
            result = E_ABORT;
        } else {
            bool forever = timeout < 0 || static_cast<DWORD>(timeout) == INFINITE;
            if (!playback_->next_event(forever ? -1 : timeout, &event)) {
                result = E_ABORT;
            }
        }
        if (code != nullptr && param1 != nullptr && param2 != nullptr) {
            *code = event.code;
            *param1 = event.param1;
            *param2 = event.param2;
        }
        trace.ret(result);
        if (result == S_OK) {
            trace.num(event.code).num(event.param1).num(event.param2);
        }
        return result;
    }

    HRESULT STDMETHODCALLTYPE FreeEventParams(long code, LONG_PTR param1,
                                              LONG_PTR param2) override {
        // No event of this graph carries anything that needs freeing.
        plat::Trace("IMediaEventEx::FreeEventParams").num(code).num(param1).num(param2).ret(0);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND window, long message,
                                              LONG_PTR instance_data) override {
        HRESULT result = S_OK;
        if (plat::fault("IMediaEventEx::SetNotifyWindow")) {
            result = E_INVALIDARG;
        } else {
            playback_->set_notify(reinterpret_cast<HWND>(window), static_cast<UINT>(message),
                                  instance_data);
        }
        plat::Trace("IMediaEventEx::SetNotifyWindow")
            .sym(window != 0 ? "window" : "NULL")
            .num(message)
            .num(instance_data)
            .ret(result);
        return result;
    }

    // --- IMediaEventSink ---
    HRESULT STDMETHODCALLTYPE Notify(long code, LONG_PTR param1, LONG_PTR param2) override {
        plat::Trace("IMediaEventSink::Notify").num(code).num(param1).num(param2).ret(0);
        playback_->post_event(code, param1, param2);
        return S_OK;
    }

    // --- IBasicAudio ---
    HRESULT STDMETHODCALLTYPE put_Volume(long volume) override {
        HRESULT result = S_OK;
        if (plat::fault("IBasicAudio::put_Volume")) {
            result = E_FAIL;
        } else if (volume < -10000 || volume > 0) {
            result = E_INVALIDARG;
        } else if (sources_.empty()) {
            // No audio renderer in the graph.
            result = E_NOTIMPL;
        } else {
            volume_ = volume;
            playback_->set_volume(volume);
        }
        plat::Trace("IBasicAudio::put_Volume").num(volume).ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE get_Volume(long* volume) override {
        HRESULT result = volume == nullptr ? E_POINTER : sources_.empty() ? E_NOTIMPL : S_OK;
        if (result == S_OK) {
            *volume = volume_;
        }
        plat::Trace("IBasicAudio::get_Volume").ret(result).num(volume_);
        return result;
    }

    // --- IMediaSeeking ---
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override {
        HRESULT result = S_OK;
        gint64 length = -1;
        if (duration == nullptr) {
            result = E_POINTER;
        } else if (plat::fault("IMediaSeeking::GetDuration")) {
            result = E_FAIL;
        } else if ((length = playback_->duration()) < 0) {
            // Not known before the file plays, nor for a station.
            result = E_NOTIMPL;
        } else {
            *duration = length / 100;
        }
        plat::Trace("IMediaSeeking::GetDuration").ret(result).num(length / 100);
        return result;
    }

    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD current_flags, LONGLONG*,
                                           DWORD stop_flags) override {
        plat::Trace trace("IMediaSeeking::SetPositions");
        trace.num(current != nullptr ? *current : -1).num(current_flags).num(stop_flags);
        HRESULT result = S_OK;
        DWORD how = current_flags & AM_SEEKING_PositioningBitsMask;
        if (plat::fault("IMediaSeeking::SetPositions")) {
            result = E_FAIL;
        } else if (sources_.empty()) {
            result = E_NOTIMPL;
        } else if (how == AM_SEEKING_NoPositioning) {
            result = S_OK;
        } else if (how != AM_SEEKING_AbsolutePositioning || current == nullptr || *current < 0) {
            result = E_INVALIDARG;
        } else {
            // Reference time counts 100 ns units.
            playback_->seek(static_cast<gint64>(*current) * 100);
        }
        trace.ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) override {
        HRESULT result = current == nullptr ? E_POINTER : S_OK;
        gint64 position = playback_->position();
        if (current != nullptr) {
            *current = position / 100;
        }
        plat::Trace("IMediaSeeking::GetCurrentPosition").ret(result).num(position / 100);
        return result;
    }

    // --- IVideoWindow: audio files have no video; the window is inert ---
    HRESULT STDMETHODCALLTYPE put_Owner(OAHWND owner) override {
        plat::Trace("IVideoWindow::put_Owner").sym(owner != 0 ? "window" : "NULL").ret(0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_WindowStyle(long style) override {
        plat::Trace("IVideoWindow::put_WindowStyle").num(style).ret(0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetWindowPosition(long left, long top, long width,
                                                long height) override {
        plat::Trace("IVideoWindow::SetWindowPosition")
            .num(left)
            .num(top)
            .num(width)
            .num(height)
            .ret(0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetWindowForeground(long focus) override {
        plat::Trace("IVideoWindow::SetWindowForeground").num(focus).ret(0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Visible(long visible) override {
        plat::Trace("IVideoWindow::put_Visible").num(visible).ret(0);
        return S_OK;
    }

  private:
    friend class plat::ComCount;
    // The pipelines stop and the files are let go, as the platform's graph
    // closes them when released.
    ~FilterGraph() {
        clock_->Release();
        playback_->set_reporting(false);
        playback_->set_notify(nullptr, 0, 0);
        playback_->stop();
        for (const plat::GraphSource& source : sources_) {
            plat::let_go_file(source.path);
        }
    }

    // start: when the stream starts on the clock (nanoseconds), for a run
    // at a time; GST_CLOCK_TIME_NONE to run as soon as it can or resume.
    HRESULT change_state(const char* call, GstState target, OAFilterState state,
                         GstClockTime start = GST_CLOCK_TIME_NONE) {
        plat::Trace trace(call);
        if (GST_CLOCK_TIME_IS_VALID(start)) {
            trace.num(static_cast<long long>(start / 100));
        }
        HRESULT result = S_OK;
        if (plat::fault(call)) {
            result = E_FAIL;
        } else {
            if (!sources_.empty()) {
                playback_->set_reporting(true);
                playback_->start(sources_, target, start);
            }
            state_ = state;
        }
        trace.ret(result);
        return result;
    }

    plat::ComCount references_{"FilterGraph"};
    std::vector<plat::GraphSource> sources_;
    std::shared_ptr<plat::GraphPlayback> playback_ = std::make_shared<plat::GraphPlayback>();
    long volume_ = 0;
    std::atomic<OAFilterState> state_{State_Stopped};
    ReferenceClock* clock_ = new ReferenceClock;
};

HRESULT make_filter_graph(REFIID iid, void** object) {
    // A graph is made to render files: the tester gets ready meanwhile, and
    // the decoders that its first file will need are loaded now, so that
    // its first play does not wait for them.
    plat::start_file_tester();
    static std::once_flag loading;
    std::call_once(loading, [] {
        plat::gst_ready();
        plat::load_decoder_plugins();
    });
    const char* name = nullptr;
    auto* graph = new FilterGraph;
    *object = graph->find(iid, &name);
    if (*object == nullptr) {
        graph->Release();
        return E_NOINTERFACE;
    }
    return S_OK;
}

plat::ComClassRegistration filter_graph_class(CLSID_FilterGraph, "CLSID_FilterGraph",
                                              make_filter_graph);

}  // namespace
