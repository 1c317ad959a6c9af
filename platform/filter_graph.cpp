// The filter graph manager over GStreamer. RenderFile proves that a file
// decodes to audio and keeps it as one chain of the graph; Run plays every
// chain through filesrc ! queue ! decodebin ! audioconvert ! audioresample
// ! audiobuffersplit ! identity sync=true ! volume ! the audio output. End of stream does not
// reach the output: the graph stays running at its end, as DirectShow's
// does, and reports EC_COMPLETE through its event queue and the notify
// window.
#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com_object.h"
#include "platform/files_state.h"
#include "platform/gst_output.h"
#include "platform/native/com_classes.h"
#include "platform/native/dshow.h"
#include "platform/native/files.h"
#include "platform/native/standin.h"
#include "platform/native/windows.h"

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

namespace {

// How long RenderFile waits for a file to show that it decodes.
constexpr gint64 RENDER_TIMEOUT_NS = 10 * GST_SECOND;
// How long a captured stream may take to finish its file when stopped.
constexpr auto FINISH_TIMEOUT = std::chrono::seconds(3);

// Hundredths of a decibel to linear gain; the bottom of the range is silence.
double gain_from_volume(long volume) {
    return volume <= -10000 ? 0.0 : std::pow(10.0, volume / 2000.0);
}

std::string utf8_from_wide(LPCWSTR wide) {
    std::string out;
    for (size_t i = 0; wide[i] != 0; ++i) {
        uint32_t point = wide[i];
        if (point >= 0xD800 && point < 0xDC00 && wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000) {
            point = 0x10000 + ((point - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        }
        if (point < 0x80) {
            out += static_cast<char>(point);
        } else if (point < 0x800) {
            out += static_cast<char>(0xC0 | (point >> 6));
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            out += static_cast<char>(0xE0 | (point >> 12));
            out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (point >> 18));
            out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        }
    }
    return out;
}

bool is_audio_pad(GstPad* pad) {
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (caps == nullptr) {
        caps = gst_pad_query_caps(pad, nullptr);
    }
    bool audio = false;
    if (caps != nullptr && gst_caps_get_size(caps) > 0) {
        const char* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
        audio = g_str_has_prefix(name, "audio/");
    }
    if (caps != nullptr) {
        gst_caps_unref(caps);
    }
    return audio;
}

// The MIDI synthesiser's own gain is low; this brings a General MIDI piece
// near the level of a recording, as a sound card's synthesiser plays it.
constexpr double MIDI_SYNTH_GAIN = 1.0;

void tune_element(GstBin*, GstBin*, GstElement* element, gpointer) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory != nullptr && g_strcmp0(GST_OBJECT_NAME(factory), "fluiddec") == 0) {
        g_object_set(element, "synth-gain", MIDI_SYNTH_GAIN, nullptr);
    }
}

// Links the first audio pad a decoder offers to the element's sink pad.
void link_audio_pad(GstElement*, GstPad* pad, gpointer data) {
    GstPad* sink = gst_element_get_static_pad(GST_ELEMENT(data), "sink");
    if (!gst_pad_is_linked(sink) && is_audio_pad(pad)) {
        gst_pad_link(pad, sink);
    }
    gst_object_unref(sink);
}

// The file's source and decoder, whose audio goes to next. The decoder
// reads the file as a stream: the WAV parser, reading it randomly, gives up
// on a file whose last chunk is followed by its pad byte, as the click is.
GstElement* add_decoder(GstBin* bin, const std::string& path, GstElement* next) {
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* queue = gst_element_factory_make("queue", nullptr);
    GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
    g_object_set(source, "location", path.c_str(), nullptr);
    gst_bin_add_many(bin, source, queue, decoder, nullptr);
    gst_element_link_many(source, queue, decoder, nullptr);
    g_signal_connect(decoder, "pad-added", G_CALLBACK(link_audio_pad), next);
    return decoder;
}

// A test of a MIDI file ends with its parsed events: starting the
// synthesiser (it loads its whole sound font) costs over 100 ms a file,
// and pre-install tests twelve. The events can be played when there is a
// synthesiser at all.
gboolean stop_at_midi_events(GstElement*, GstPad*, GstCaps* caps, gpointer) {
    return !gst_caps_is_empty(caps) &&
           g_strcmp0(gst_structure_get_name(gst_caps_get_structure(caps, 0)),
                     "audio/x-midi-event") != 0;
}

bool midi_synthesiser_present() {
    static const bool present = [] {
        GstElementFactory* factory = gst_element_factory_find("fluiddec");
        if (factory != nullptr) {
            gst_object_unref(factory);
        }
        return factory != nullptr;
    }();
    return present;
}

// Tries a file as far as its first decoded audio: the platform's result.
HRESULT probe_file(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        return HRESULT_FROM_WIN32(errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    }
    if (S_ISDIR(info.st_mode) || access(path.c_str(), R_OK) != 0) {
        return E_ACCESSDENIED;
    }
    plat::gst_ready();
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    gst_bin_add(GST_BIN(pipeline), sink);
    GstElement* decoder = add_decoder(GST_BIN(pipeline), path, sink);
    if (midi_synthesiser_present()) {
        g_signal_connect(decoder, "autoplug-continue", G_CALLBACK(stop_at_midi_events), nullptr);
    }

    HRESULT result = VFW_E_CANNOT_RENDER;
    if (gst_element_set_state(pipeline, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE) {
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, RENDER_TIMEOUT_NS,
            static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
        if (message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE) {
            GstPad* pad = gst_element_get_static_pad(sink, "sink");
            result = gst_pad_is_linked(pad) ? S_OK : VFW_E_CANNOT_RENDER;
            gst_object_unref(pad);
        } else if (message != nullptr) {
            GError* failure = nullptr;
            gst_message_parse_error(message, &failure, nullptr);
            // A file whose type nothing recognises is not a stream the
            // graph supports; one it recognises but cannot decode cannot
            // be rendered.
            if (failure != nullptr && failure->domain == GST_STREAM_ERROR &&
                failure->code == GST_STREAM_ERROR_TYPE_NOT_FOUND) {
                result = VFW_E_UNSUPPORTED_STREAM;
            }
            g_clear_error(&failure);
        }
        if (message != nullptr) {
            gst_message_unref(message);
        }
        gst_object_unref(bus);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return result;
}

class FilterGraph;

// One rendered file while the graph runs.
struct Chain {
    FilterGraph* graph = nullptr;
    GstElement* pipeline = nullptr;
    GstElement* convert = nullptr;
    GstElement* volume = nullptr;
    GstElement* output = nullptr;
    std::atomic<bool> ended{false};
    std::atomic<bool> finishing{false};
    std::mutex finish_lock;
    std::condition_variable finished_signal;
    bool finished = false;
    // What the output has been given, kept by the streaming thread: the
    // segment in force and where in running time its data ends.
    GstSegment segment;
    bool segment_sent = false;
    GstClockTime running_end = 0;
};

struct Event {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
};

class FilterGraph final : public IGraphBuilder,
                          public IMediaControl,
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
        std::string path = file != nullptr ? plat::native_path(utf8_from_wide(file).c_str()) : "";
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
            result = probe_file(path);
            if (SUCCEEDED(result)) {
                // The graph's source reads the file until the graph goes,
                // wherever the current directory moves meanwhile.
                std::error_code error;
                std::string absolute = std::filesystem::absolute(path, error).string();
                files_.push_back(error ? path : absolute);
                plat::hold_file(files_.back());
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
            stop_chains();
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

    // --- IMediaEvent(Ex) ---
    HRESULT STDMETHODCALLTYPE GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2,
                                       long timeout) override {
        plat::Trace trace("IMediaEventEx::GetEvent");
        trace.num(timeout);
        HRESULT result = S_OK;
        Event event{0, 0, 0};
        if (code == nullptr || param1 == nullptr || param2 == nullptr) {
            result = E_POINTER;
        } else if (plat::fault("IMediaEventEx::GetEvent")) {
            result = E_ABORT;
        } else {
            std::unique_lock<std::mutex> hold(events_lock_);
            auto ready = [this] { return !events_.empty(); };
            if (timeout < 0 || static_cast<DWORD>(timeout) == INFINITE) {
                events_signal_.wait(hold, ready);
            } else if (timeout > 0) {
                events_signal_.wait_for(hold, std::chrono::milliseconds(timeout), ready);
            }
            if (events_.empty()) {
                result = E_ABORT;
            } else {
                event = events_.front();
                events_.pop_front();
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
            std::lock_guard<std::mutex> hold(events_lock_);
            notify_window_ = reinterpret_cast<HWND>(window);
            notify_message_ = static_cast<UINT>(message);
            notify_data_ = instance_data;
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
        post_event(code, param1, param2);
        return S_OK;
    }

    // --- IBasicAudio ---
    HRESULT STDMETHODCALLTYPE put_Volume(long volume) override {
        HRESULT result = S_OK;
        if (plat::fault("IBasicAudio::put_Volume")) {
            result = E_FAIL;
        } else if (volume < -10000 || volume > 0) {
            result = E_INVALIDARG;
        } else if (files_.empty()) {
            // No audio renderer in the graph.
            result = E_NOTIMPL;
        } else {
            volume_ = volume;
            for (Chain* chain : chains_) {
                g_object_set(chain->volume, "volume", gain_from_volume(volume_), nullptr);
            }
        }
        plat::Trace("IBasicAudio::put_Volume").num(volume).ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE get_Volume(long* volume) override {
        HRESULT result = volume == nullptr ? E_POINTER : files_.empty() ? E_NOTIMPL : S_OK;
        if (result == S_OK) {
            *volume = volume_;
        }
        plat::Trace("IBasicAudio::get_Volume").ret(result).num(volume_);
        return result;
    }

    // --- IMediaSeeking ---
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD current_flags, LONGLONG*,
                                           DWORD stop_flags) override {
        plat::Trace trace("IMediaSeeking::SetPositions");
        trace.num(current != nullptr ? *current : -1).num(current_flags).num(stop_flags);
        HRESULT result = S_OK;
        DWORD how = current_flags & AM_SEEKING_PositioningBitsMask;
        if (plat::fault("IMediaSeeking::SetPositions")) {
            result = E_FAIL;
        } else if (files_.empty()) {
            result = E_NOTIMPL;
        } else if (how == AM_SEEKING_NoPositioning) {
            result = S_OK;
        } else if (how != AM_SEEKING_AbsolutePositioning || current == nullptr || *current < 0) {
            result = E_INVALIDARG;
        } else {
            // Reference time counts 100 ns units.
            gint64 position = static_cast<gint64>(*current) * 100;
            for (Chain* chain : chains_) {
                chain->ended = false;
                gst_element_seek_simple(
                    chain->pipeline, GST_FORMAT_TIME,
                    static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                    position);
            }
        }
        trace.ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) override {
        HRESULT result = current == nullptr ? E_POINTER : S_OK;
        gint64 position = 0;
        if (!chains_.empty()) {
            gst_element_query_position(chains_.front()->pipeline, GST_FORMAT_TIME, &position);
        }
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

    // Called from a streaming thread when a chain's stream ended.
    void chain_ended(Chain* ended) {
        ended->ended = true;
        bool all = true;
        {
            std::lock_guard<std::mutex> hold(chains_lock_);
            for (Chain* chain : chains_) {
                all = all && chain->ended;
            }
        }
        if (all) {
            post_event(EC_COMPLETE, S_OK, 0);
        }
    }

    void post_event(long code, LONG_PTR param1, LONG_PTR param2) {
        HWND window = nullptr;
        UINT message = 0;
        LONG_PTR data = 0;
        {
            std::lock_guard<std::mutex> hold(events_lock_);
            events_.push_back(Event{code, param1, param2});
            window = notify_window_;
            message = notify_message_;
            data = notify_data_;
        }
        events_signal_.notify_all();
        if (window != nullptr) {
            PostMessageA(window, message, 0, data);
        }
    }

  private:
    friend class plat::ComCount;
    ~FilterGraph() {
        stop_chains();
        for (const std::string& path : files_) {
            plat::let_go_file(path);
        }
    }

    HRESULT change_state(const char* call, GstState target, OAFilterState state) {
        HRESULT result = S_OK;
        if (plat::fault(call)) {
            result = E_FAIL;
        } else {
            result = set_playing(target);
            if (SUCCEEDED(result)) {
                state_ = state;
            }
        }
        plat::Trace(call).ret(result);
        return result;
    }

    HRESULT set_playing(GstState target) {
        if (files_.empty()) {
            return S_OK;
        }
        if (chains_.empty()) {
            for (const std::string& path : files_) {
                Chain* chain = build_chain(path);
                if (chain == nullptr) {
                    stop_chains();
                    return E_FAIL;
                }
                std::lock_guard<std::mutex> hold(chains_lock_);
                chains_.push_back(chain);
            }
        }
        for (Chain* chain : chains_) {
            if (gst_element_set_state(chain->pipeline, target) == GST_STATE_CHANGE_FAILURE) {
                return E_FAIL;
            }
        }
        return S_OK;
    }

    // Between the decoder and the output. A seek flushes the decoder but
    // never the output, whose stream goes on unbroken: its new segment
    // continues in running time where the data before it ended. The end of
    // the file stops here and becomes the graph's event.
    static GstPadProbeReturn on_flow(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto* chain = static_cast<Chain*>(data);
        if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            if (GST_BUFFER_PTS_IS_VALID(buffer)) {
                GstClockTime end = GST_BUFFER_PTS(buffer);
                if (GST_BUFFER_DURATION_IS_VALID(buffer)) {
                    end += GST_BUFFER_DURATION(buffer);
                }
                GstClockTime running =
                    gst_segment_to_running_time(&chain->segment, GST_FORMAT_TIME, end);
                if (GST_CLOCK_TIME_IS_VALID(running) && running > chain->running_end) {
                    chain->running_end = running;
                }
            }
            return GST_PAD_PROBE_OK;
        }
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        switch (GST_EVENT_TYPE(event)) {
            case GST_EVENT_FLUSH_START:
            case GST_EVENT_FLUSH_STOP:
                return GST_PAD_PROBE_DROP;
            case GST_EVENT_SEGMENT: {
                const GstSegment* incoming = nullptr;
                gst_event_parse_segment(event, &incoming);
                gst_segment_copy_into(incoming, &chain->segment);
                if (chain->segment_sent && chain->segment.format == GST_FORMAT_TIME) {
                    chain->segment.base = chain->running_end;
                    GstEvent* continued = gst_event_new_segment(&chain->segment);
                    gst_event_unref(event);
                    GST_PAD_PROBE_INFO_DATA(info) = continued;
                }
                chain->segment_sent = true;
                return GST_PAD_PROBE_OK;
            }
            case GST_EVENT_EOS:
                if (chain->finishing) {
                    return GST_PAD_PROBE_OK;
                }
                chain->graph->chain_ended(chain);
                return GST_PAD_PROBE_DROP;
            default:
                return GST_PAD_PROBE_OK;
        }
    }

    static GstBusSyncReply on_message(GstBus*, GstMessage* message, gpointer data) {
        auto* chain = static_cast<Chain*>(data);
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
            std::lock_guard<std::mutex> hold(chain->finish_lock);
            chain->finished = true;
            chain->finished_signal.notify_all();
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && !chain->finishing) {
            chain->graph->post_event(EC_ERRORABORT, E_FAIL, 0);
        }
        // Nobody reads the bus: everything is handled here.
        gst_message_unref(message);
        return GST_BUS_DROP;
    }

    Chain* build_chain(const std::string& path) {
        GstElement* output = plat::make_audio_output("media");
        if (output == nullptr) {
            return nullptr;
        }
        auto* chain = new Chain;
        chain->graph = this;
        chain->pipeline = gst_pipeline_new(nullptr);
        chain->convert = gst_element_factory_make("audioconvert", nullptr);
        GstElement* resample = gst_element_factory_make("audioresample", nullptr);
        // Short buffers, so that the output is paced finely and a volume
        // change is heard at once.
        GstElement* split = gst_element_factory_make("audiobuffersplit", nullptr);
        // The gain applies as the sound goes out, as a renderer's volume
        // does: what the graph took in before a volume change follows it.
        GstElement* pace = gst_element_factory_make("identity", nullptr);
        g_object_set(pace, "sync", TRUE, nullptr);
        chain->volume = gst_element_factory_make("volume", nullptr);
        chain->output = output;
        g_object_set(chain->volume, "volume", gain_from_volume(volume_), nullptr);
        gst_bin_add_many(GST_BIN(chain->pipeline), chain->convert, resample, split, pace,
                         chain->volume, output, nullptr);
        gst_element_link_many(chain->convert, resample, split, pace, chain->volume, output,
                              nullptr);
        add_decoder(GST_BIN(chain->pipeline), path, chain->convert);
        g_signal_connect(chain->pipeline, "deep-element-added", G_CALLBACK(tune_element), nullptr);
        GstPad* pad = gst_element_get_static_pad(chain->volume, "src");
        gst_segment_init(&chain->segment, GST_FORMAT_TIME);
        gst_pad_add_probe(pad,
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                       GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                       GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                          on_flow, chain, nullptr);
        gst_object_unref(pad);
        GstBus* bus = gst_element_get_bus(chain->pipeline);
        gst_bus_set_sync_handler(bus, on_message, chain, nullptr);
        gst_object_unref(bus);
        return chain;
    }

    // A capture file is finished by an end of stream through the output,
    // sent only there, so that the sound before it is all kept.
    static void finish_capture(Chain* chain) {
        GstState state = GST_STATE_NULL;
        GstState pending = GST_STATE_NULL;
        gst_element_get_state(chain->pipeline, &state, &pending, 0);
        if (plat::audio_sink_kind() != plat::SinkKind::Wav || state != GST_STATE_PLAYING ||
            pending != GST_STATE_VOID_PENDING) {
            return;
        }
        chain->finishing = true;
        GstPad* source = gst_element_get_static_pad(chain->volume, "src");
        gulong block = gst_pad_add_probe(source, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM, nullptr,
                                         nullptr, nullptr);
        GstPad* sink = gst_element_get_static_pad(chain->output, "sink");
        gst_pad_send_event(sink, gst_event_new_eos());
        gst_object_unref(sink);
        {
            std::unique_lock<std::mutex> hold(chain->finish_lock);
            chain->finished_signal.wait_for(hold, FINISH_TIMEOUT,
                                            [chain] { return chain->finished; });
        }
        gst_element_set_state(chain->pipeline, GST_STATE_NULL);
        gst_pad_remove_probe(source, block);
        gst_object_unref(source);
    }

    void stop_chains() {
        std::vector<Chain*> stopping;
        {
            std::lock_guard<std::mutex> hold(chains_lock_);
            stopping.swap(chains_);
        }
        for (Chain* chain : stopping) {
            finish_capture(chain);
            gst_element_set_state(chain->pipeline, GST_STATE_NULL);
            gst_object_unref(chain->pipeline);
            delete chain;
        }
    }

    plat::ComCount references_{"FilterGraph"};
    std::vector<std::string> files_;
    std::mutex chains_lock_;
    std::vector<Chain*> chains_;
    long volume_ = 0;
    OAFilterState state_ = State_Stopped;

    std::mutex events_lock_;
    std::condition_variable events_signal_;
    std::deque<Event> events_;
    HWND notify_window_ = nullptr;
    UINT notify_message_ = 0;
    LONG_PTR notify_data_ = 0;
};

HRESULT make_filter_graph(REFIID iid, void** object) {
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
