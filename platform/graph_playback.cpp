// A graph's pipelines: the decoder head ! audioconvert ! audioresample !
// audiobuffersplit ! identity sync=true ! volume ! the audio output. End of
// stream does not reach the output: the graph stays running at its end, as
// DirectShow's does, and reports EC_COMPLETE through its event queue and the
// notify window. Only audio is played; any other stream of a file is left
// unlinked, and a file that fails while playing is reported as
// EC_ERRORABORT, never retried.
//
// Between the volume and the output a probe keeps the output's timeline:
// what the decoder sends (its running time is the stream's time, from the
// start or the last seek) is placed a shift further on. A seek flushes the
// decoder but never the output, whose stream goes on unbroken where the
// data before it ended. A chain that has run pauses there too: its data
// waits at the probe while the pipeline keeps running (what the output
// already holds, a buffer of 20 ms or so, plays out), and a run at a time
// then shifts what follows to sound when the clock reads that time.
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
    // Taken to PLAYING once: from then on a pause is the probe's (the
    // graph's caller's).
    bool ran = false;
    // Kept by the streaming thread: the segments as the decoder sent them
    // and as the output has them.
    GstSegment incoming;
    GstSegment segment;
    bool resending = false;
    // The running time at which the output's data so far ends.
    std::atomic<gint64> played{0};
    // Under gate_lock: the pause, a flush or stop that drops what waits,
    // the shift and whether the output has yet to hear of a new one, and
    // when the pause began.
    std::mutex gate_lock;
    std::condition_variable gate_signal;
    bool paused = false;
    bool flushing = false;
    GstClockTime shift = 0;
    bool reshift = false;
    GstClockTime paused_at = 0;
};

namespace {

GstClock* graph_clock() {
    static GstClock* clock = gst_system_clock_obtain();
    return clock;
}

// A chain's first run at a time: the stream's start sounds then (or now,
// when that is past).
void run_at(GstElement* pipeline, GstClockTime at) {
    GstClockTime now = gst_clock_get_time(graph_clock());
    gst_element_set_start_time(pipeline, GST_CLOCK_TIME_NONE);
    gst_element_set_base_time(pipeline, at > now ? at : now);
}

// A chain that has run pauses at its probe and runs on from there: at a
// time, its stream's time counted from then; or on from where it paused.
void pause_or_run(Chain* chain, GstState target, GstClockTime at) {
    GstClockTime now = gst_clock_get_time(graph_clock());
    GstClockTime base = gst_element_get_base_time(chain->pipeline);
    {
        std::lock_guard<std::mutex> hold(chain->gate_lock);
        if (target == GST_STATE_PAUSED && !chain->paused) {
            chain->paused = true;
            chain->paused_at = now;
        } else if (target == GST_STATE_PLAYING && chain->paused) {
            chain->paused = false;
            chain->reshift = true;
            at = at > now || !GST_CLOCK_TIME_IS_VALID(at) ? at : now;
            chain->shift = GST_CLOCK_TIME_IS_VALID(at) ? (at > base ? at - base : 0)
                                                       : chain->shift + (now - chain->paused_at);
        }
    }
    chain->gate_signal.notify_all();
}

// Waits while the chain is paused; false when what waited is to be
// dropped (a flush or a stop came), else whether the shift is new.
bool pass_gate(Chain* chain, bool* reshift) {
    std::unique_lock<std::mutex> hold(chain->gate_lock);
    chain->gate_signal.wait(
        hold, [chain] { return !chain->paused || chain->flushing || chain->finishing; });
    *reshift = chain->reshift;
    chain->reshift = false;
    return !chain->flushing && !chain->finishing;
}

// The output's segment: the decoder's, shifted.
void shift_segment(Chain* chain) {
    gst_segment_copy_into(&chain->incoming, &chain->segment);
    std::lock_guard<std::mutex> hold(chain->gate_lock);
    chain->segment.base += chain->shift;
}

// Hundredths of a decibel to linear gain; the bottom of the range is silence.
double gain_from_volume(long volume) {
    return volume <= -10000 ? 0.0 : std::pow(10.0, volume / 2000.0);
}

void flush(Chain* chain, bool start) {
    {
        std::lock_guard<std::mutex> hold(chain->gate_lock);
        chain->flushing = start;
        if (!start) {
            // The new position follows on from what the output has had.
            chain->shift = static_cast<GstClockTime>(chain->played.load());
        }
    }
    chain->gate_signal.notify_all();
}

// Between the decoder and the output: the output's timeline, the pause, and
// the end of the file, which stops here and becomes the graph's event.
GstPadProbeReturn on_flow(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* chain = static_cast<Chain*>(data);
    GstEvent* event =
        info->type & GST_PAD_PROBE_TYPE_BUFFER ? nullptr : GST_PAD_PROBE_INFO_EVENT(info);
    GstEventType type = event != nullptr ? GST_EVENT_TYPE(event) : GST_EVENT_UNKNOWN;
    if (type == GST_EVENT_FLUSH_START || type == GST_EVENT_FLUSH_STOP) {
        flush(chain, type == GST_EVENT_FLUSH_START);
        return GST_PAD_PROBE_DROP;
    }
    bool reshift = false;
    if (chain->resending || (event != nullptr && !GST_EVENT_IS_SERIALIZED(event))) {
        return GST_PAD_PROBE_OK;
    }
    if (!pass_gate(chain, &reshift)) {
        return GST_PAD_PROBE_DROP;
    }
    if (type == GST_EVENT_SEGMENT) {
        const GstSegment* incoming = nullptr;
        gst_event_parse_segment(event, &incoming);
        gst_segment_copy_into(incoming, &chain->incoming);
        shift_segment(chain);
        gst_event_unref(event);
        GST_PAD_PROBE_INFO_DATA(info) = gst_event_new_segment(&chain->segment);
        return GST_PAD_PROBE_OK;
    }
    if (type == GST_EVENT_EOS) {
        if (chain->finishing) {
            return GST_PAD_PROBE_OK;
        }
        chain->playback->chain_ended(chain);
        return GST_PAD_PROBE_DROP;
    }
    if (event != nullptr) {
        return GST_PAD_PROBE_OK;
    }
    if (reshift && chain->incoming.format == GST_FORMAT_TIME) {
        // Run on after a pause with no seek: the output hears the new shift
        // before the data that waited.
        shift_segment(chain);
        chain->resending = true;
        gst_pad_push_event(pad, gst_event_new_segment(&chain->segment));
        chain->resending = false;
    }
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (GST_BUFFER_PTS_IS_VALID(buffer)) {
        GstClockTime end = GST_BUFFER_PTS(buffer);
        if (GST_BUFFER_DURATION_IS_VALID(buffer)) {
            end += GST_BUFFER_DURATION(buffer);
        }
        GstClockTime running = gst_segment_to_running_time(&chain->segment, GST_FORMAT_TIME, end);
        if (GST_CLOCK_TIME_IS_VALID(running) && static_cast<gint64>(running) > chain->played) {
            chain->played = static_cast<gint64>(running);
        }
    }
    return GST_PAD_PROBE_OK;
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
    gst_pipeline_use_clock(GST_PIPELINE(chain->pipeline), graph_clock());
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
    gst_segment_init(&chain->incoming, GST_FORMAT_TIME);
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

void GraphPlayback::start(const std::vector<GraphSource>& sources, GstState target,
                          GstClockTime at) {
    std::lock_guard<std::mutex> hold(work_lock_);
    start_now(sources, target, at);
}

void GraphPlayback::start_now(const std::vector<GraphSource>& sources, GstState target,
                              GstClockTime at) {
    unsigned epoch = epoch_;
    bool built = false;
    {
        std::lock_guard<std::mutex> hold(chains_lock_);
        built = !chains_.empty();
    }
    if (!built && !tested(sources, target, at, epoch)) {
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
        if (chain->ran) {
            pause_or_run(chain, target, at);
            continue;
        }
        if (target == GST_STATE_PLAYING && GST_CLOCK_TIME_IS_VALID(at)) {
            run_at(chain->pipeline, at);
        }
        if (gst_element_set_state(chain->pipeline, target) == GST_STATE_CHANGE_FAILURE) {
            chain_failed(epoch);
            return;
        }
        chain->ran = target == GST_STATE_PLAYING;
    }
}

// No file is decoded here before the file tester has seen it decode to its
// end elsewhere. Until then the start waits, and is made when the last word
// comes, unless a stop came first.
bool GraphPlayback::tested(const std::vector<GraphSource>& sources, GstState target,
                           GstClockTime at, unsigned epoch) {
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
            playback->start_now(sources, target, playback->waiting_at_);
        }
    };
    for (const GraphSource& source : sources) {
        HRESULT verdict = S_OK;
        if (!file_verdict(source.path, ready, &verdict)) {
            waiting_ = target;
            waiting_at_ = at;
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
        {
            std::lock_guard<std::mutex> hold(chain->gate_lock);
            chain->finishing = true;
        }
        chain->gate_signal.notify_all();
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

GstClockTime GraphPlayback::clock_time() {
    return gst_clock_get_time(graph_clock());
}

gint64 GraphPlayback::duration() {
    std::vector<GstElement*> files;
    {
        std::lock_guard<std::mutex> hold(chains_lock_);
        for (Chain* chain : chains_) {
            files.push_back(GST_ELEMENT(gst_object_ref(chain->pipeline)));
        }
    }
    gint64 longest = -1;
    for (GstElement* pipeline : files) {
        gint64 length = -1;
        if (gst_element_query_duration(pipeline, GST_FORMAT_TIME, &length) && length > longest) {
            longest = length;
        }
        gst_object_unref(pipeline);
    }
    return longest;
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
