// A graph's pipelines: the decoder head ! audioconvert ! audioresample !
// audiobuffersplit ! identity sync=true ! volume ! the audio output. End of
// stream does not reach the output: the graph stays running at its end, as
// DirectShow's does, and reports EC_COMPLETE through its event queue and the
// notify window. Only audio is played; any other stream of a file is left
// unlinked, and a file that fails while playing is reported as
// EC_ERRORABORT, never retried.
#include "platform/graph_playback.h"

#include <chrono>
#include <cmath>

#include "platform/file_test.h"
#include "platform/gst_decode.h"
#include "platform/gst_output.h"
#include "platform/native/dshow.h"
#include "platform/native/standin.h"
#include "platform/native/windows.h"
#include "platform/sync_handles.h"

namespace plat {

// One rendered file while the graph runs.
struct Chain {
    GraphPlayback* playback = nullptr;
    unsigned epoch = 0;
    GstElement* pipeline = nullptr;
    GstElement* volume = nullptr;
    GstElement* output = nullptr;
    std::atomic<bool> ended{false};
    // Set while the chain stops: its end and errors are no longer news.
    std::atomic<bool> finishing{false};
    // What the output has been given, kept by the streaming thread: the
    // segment in force and where in running time its data ends.
    GstSegment segment;
    bool segment_sent = false;
    GstClockTime running_end = 0;
};

namespace {

// Hundredths of a decibel to linear gain; the bottom of the range is silence.
double gain_from_volume(long volume) {
    return volume <= -10000 ? 0.0 : std::pow(10.0, volume / 2000.0);
}

// Between the decoder and the output. A seek flushes the decoder but never
// the output, whose stream goes on unbroken: its new segment continues in
// running time where the data before it ended. The end of the file stops
// here and becomes the graph's event.
GstPadProbeReturn on_flow(GstPad*, GstPadProbeInfo* info, gpointer data) {
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
            chain->playback->chain_ended(chain);
            return GST_PAD_PROBE_DROP;
        default:
            return GST_PAD_PROBE_OK;
    }
}

GstBusSyncReply on_message(GstBus*, GstMessage* message, gpointer data) {
    auto* chain = static_cast<Chain*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && !chain->finishing) {
        chain->playback->chain_failed(chain->epoch);
    }
    // Nobody reads the bus: everything is handled here.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

}  // namespace

GraphPlayback::GraphPlayback() : event_handle_(open_sync_event()) {}

GraphPlayback::~GraphPlayback() {
    stop();
    long long number = 0;
    close_sync_handle(event_handle_, &number);
}

Chain* GraphPlayback::build_chain(const GraphSource& source) {
    GstElement* output = make_audio_output("media");
    if (output == nullptr) {
        return nullptr;
    }
    auto* chain = new Chain;
    chain->playback = this;
    chain->epoch = epoch_;
    chain->pipeline = gst_pipeline_new(nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    // Short buffers, so that the output is paced finely and a volume change
    // is heard at once.
    GstElement* split = gst_element_factory_make("audiobuffersplit", nullptr);
    // The gain applies as the sound goes out, as a renderer's volume does:
    // what the graph took in before a volume change follows it.
    GstElement* pace = gst_element_factory_make("identity", nullptr);
    g_object_set(pace, "sync", TRUE, nullptr);
    chain->volume = gst_element_factory_make("volume", nullptr);
    chain->output = output;
    add_decoder(GST_BIN(chain->pipeline), source.path, convert);
    gst_bin_add_many(GST_BIN(chain->pipeline), convert, resample, split, pace, chain->volume,
                     output, nullptr);
    gst_element_link_many(convert, resample, split, pace, chain->volume, output, nullptr);
    tune_decoders(chain->pipeline);
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

void GraphPlayback::start(const std::vector<GraphSource>& sources, GstState target) {
    std::lock_guard<std::mutex> hold(work_lock_);
    start_now(sources, target);
}

void GraphPlayback::start_now(const std::vector<GraphSource>& sources, GstState target) {
    unsigned epoch = epoch_;
    bool built = false;
    {
        std::lock_guard<std::mutex> hold(chains_lock_);
        built = !chains_.empty();
    }
    if (!built && !tested(sources, target, epoch)) {
        return;
    }
    for (size_t i = 0; !built && i < sources.size(); ++i) {
        Chain* chain = build_chain(sources[i]);
        if (chain == nullptr) {
            stop_now();
            chain_failed(epoch);
            return;
        }
        std::lock_guard<std::mutex> hold(chains_lock_);
        g_object_set(chain->volume, "volume", gain_from_volume(volume_), nullptr);
        chains_.push_back(chain);
    }
    // Only this thread adds or frees chains; a streaming thread reporting
    // its end takes the lock, so none is held while the pipelines move.
    for (Chain* chain : chains()) {
        if (gst_element_set_state(chain->pipeline, target) == GST_STATE_CHANGE_FAILURE) {
            chain_failed(epoch);
            return;
        }
    }
}

// No file is decoded here before the file tester has seen it decode to its
// end elsewhere. Until then the start waits, and is made when the last word
// comes, unless a stop came first.
bool GraphPlayback::tested(const std::vector<GraphSource>& sources, GstState target,
                           unsigned epoch) {
    std::weak_ptr<GraphPlayback> self = weak_from_this();
    auto ready = [self, sources] {
        std::shared_ptr<GraphPlayback> playback = self.lock();
        if (playback == nullptr) {
            return;
        }
        std::lock_guard<std::mutex> hold(playback->work_lock_);
        if (playback->waiting_ != GST_STATE_VOID_PENDING) {
            GstState target = playback->waiting_;
            playback->waiting_ = GST_STATE_VOID_PENDING;
            playback->start_now(sources, target);
        }
    };
    for (const GraphSource& source : sources) {
        HRESULT verdict = S_OK;
        if (!file_verdict(source.path, ready, &verdict)) {
            waiting_ = target;
            return false;
        }
        if (FAILED(verdict)) {
            chain_failed(epoch);
            return false;
        }
    }
    return true;
}

std::vector<Chain*> GraphPlayback::chains() {
    std::lock_guard<std::mutex> hold(chains_lock_);
    return chains_;
}

void GraphPlayback::seek(gint64 position) {
    std::lock_guard<std::mutex> hold(work_lock_);
    for (Chain* chain : chains()) {
        chain->ended = false;
        gst_element_seek_simple(
            chain->pipeline, GST_FORMAT_TIME,
            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), position);
    }
}

void GraphPlayback::stop() {
    std::lock_guard<std::mutex> hold(work_lock_);
    stop_now();
}

void GraphPlayback::stop_now() {
    waiting_ = GST_STATE_VOID_PENDING;
    std::vector<Chain*> stopping;
    {
        std::lock_guard<std::mutex> hold(chains_lock_);
        stopping.swap(chains_);
    }
    for (Chain* chain : stopping) {
        chain->finishing = true;
        finish_capture(chain->pipeline, chain->output);
        gst_element_set_state(chain->pipeline, GST_STATE_NULL);
        gst_object_unref(chain->pipeline);
        delete chain;
    }
}

void GraphPlayback::set_volume(long volume) {
    std::lock_guard<std::mutex> hold(chains_lock_);
    volume_ = volume;
    for (Chain* chain : chains_) {
        g_object_set(chain->volume, "volume", gain_from_volume(volume), nullptr);
    }
}

gint64 GraphPlayback::position() {
    gint64 position = 0;
    GstElement* pipeline = nullptr;
    {
        std::lock_guard<std::mutex> hold(chains_lock_);
        if (!chains_.empty()) {
            pipeline = GST_ELEMENT(gst_object_ref(chains_.front()->pipeline));
        }
    }
    if (pipeline != nullptr) {
        gst_element_query_position(pipeline, GST_FORMAT_TIME, &position);
        gst_object_unref(pipeline);
    }
    return position;
}

void GraphPlayback::chain_ended(Chain* ended) {
    ended->ended = true;
    bool all = true;
    {
        std::lock_guard<std::mutex> hold(chains_lock_);
        for (Chain* chain : chains_) {
            all = all && chain->ended;
        }
    }
    if (all && reporting_ && ended->epoch == epoch_) {
        post_event(EC_COMPLETE, S_OK, 0);
    }
}

void GraphPlayback::chain_failed(unsigned epoch) {
    if (reporting_ && epoch == epoch_) {
        post_event(EC_ERRORABORT, E_FAIL, 0);
    }
}

void GraphPlayback::post_event(long code, LONG_PTR param1, LONG_PTR param2) {
    HWND window = nullptr;
    UINT message = 0;
    LONG_PTR data = 0;
    {
        std::lock_guard<std::mutex> hold(events_lock_);
        events_.push_back(GraphEvent{code, param1, param2});
        signal_sync_event(event_handle_, true);
        window = notify_window_;
        message = notify_message_;
        data = notify_data_;
    }
    events_signal_.notify_all();
    if (window != nullptr) {
        PostMessageA(window, message, 0, data);
    }
}

bool GraphPlayback::next_event(long timeout_ms, GraphEvent* event) {
    std::unique_lock<std::mutex> hold(events_lock_);
    auto ready = [this] { return !events_.empty(); };
    if (timeout_ms < 0) {
        events_signal_.wait(hold, ready);
    } else if (timeout_ms > 0) {
        events_signal_.wait_for(hold, std::chrono::milliseconds(timeout_ms), ready);
    }
    if (events_.empty()) {
        return false;
    }
    *event = events_.front();
    events_.pop_front();
    if (events_.empty()) {
        signal_sync_event(event_handle_, false);
    }
    return true;
}

void GraphPlayback::set_notify(HWND window, UINT message, LONG_PTR data) {
    std::lock_guard<std::mutex> hold(events_lock_);
    notify_window_ = window;
    notify_message_ = message;
    notify_data_ = data;
}

}  // namespace plat
