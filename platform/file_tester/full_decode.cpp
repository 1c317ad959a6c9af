// A file decoded to its end through the same decoder head as the pipelines
// that play it. A MIDI file is decoded as far as its events: the parser
// reads every track and times every event, and the synthesiser that would
// play them takes any event.
#include "platform/file_tester/full_decode.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "platform/file_tester/protocol.h"
#include "platform/gst_decode.h"

namespace filetest {
namespace {

struct Progress {
    int fd = -1;
    std::atomic<gint64> last{0};
    std::mutex lock;
    // The audio (or MIDI song time) that came out so far, and the time of
    // the last buffer.
    GstClockTime decoded = 0;
    GstClockTime last_time = GST_CLOCK_TIME_NONE;
};

// A buffer adds its duration, or else how far on its time is (MIDI events
// have none), and never less than a millisecond, so that a decoder going
// round for ever is caught whether or not its times move: past a day.
void count_decoded(Progress* progress, GstBuffer* buffer) {
    std::lock_guard<std::mutex> hold(progress->lock);
    GstClockTime time = GST_BUFFER_PTS(buffer);
    GstClockTime advance = 0;
    if (GST_BUFFER_DURATION_IS_VALID(buffer)) {
        advance = GST_BUFFER_DURATION(buffer);
    } else if (GST_CLOCK_TIME_IS_VALID(time) && GST_CLOCK_TIME_IS_VALID(progress->last_time) &&
               time > progress->last_time) {
        advance = time - progress->last_time;
    }
    progress->decoded += std::max<GstClockTime>(advance, GST_MSECOND);
    if (GST_CLOCK_TIME_IS_VALID(time)) {
        progress->last_time = time;
    }
    if (progress->decoded > static_cast<GstClockTime>(LONGEST_AUDIO_NS)) {
        _exit(OUTCOME_TOO_LONG);
    }
}

// At most ten signs a second, from whichever streaming thread has data;
// the first at once.
void show_progress(Progress* progress, GstBuffer* buffer) {
    count_decoded(progress, buffer);
    gint64 now = g_get_monotonic_time();
    gint64 last = progress->last;
    if (now - last >= G_USEC_PER_SEC / 10 && progress->last.compare_exchange_strong(last, now)) {
        char sign = '.';
        ssize_t ignored = write(progress->fd, &sign, 1);
        (void)ignored;
    }
}

GstPadProbeReturn on_decoded(GstPad*, GstPadProbeInfo* info, gpointer progress) {
    show_progress(static_cast<Progress*>(progress), GST_PAD_PROBE_INFO_BUFFER(info));
    return GST_PAD_PROBE_OK;
}

bool is_midi_events(GstCaps* caps) {
    return !gst_caps_is_empty(caps) &&
           g_strcmp0(gst_structure_get_name(gst_caps_get_structure(caps, 0)),
                     "audio/x-midi-event") == 0;
}

gboolean stop_at_midi_events(GstElement*, GstPad*, GstCaps* caps, gpointer) {
    return !is_midi_events(caps);
}

struct MidiWatch {
    GstElement* pipeline;
    Progress* progress;
};

// The parser starts pushing from its own thread before decodebin has
// exposed its pad, so its events are taken here; its end of stream says
// that every track was read.
GstPadProbeReturn on_midi_event(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* watch = static_cast<MidiWatch*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        show_progress(watch->progress, GST_PAD_PROBE_INFO_BUFFER(info));
    } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
        gst_element_post_message(watch->pipeline,
                                 gst_message_new_application(GST_OBJECT(watch->pipeline),
                                                             gst_structure_new_empty("midi-end")));
    }
    return GST_PAD_PROBE_DROP;
}

void watch_midi_parser(GstBin*, GstBin*, GstElement* element, gpointer data) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory == nullptr || g_strcmp0(GST_OBJECT_NAME(factory), "midiparse") != 0) {
        return;
    }
    GstPad* pad = gst_element_get_static_pad(element, "src");
    if (pad != nullptr) {
        gst_pad_add_probe(pad,
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                       GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          on_midi_event, data, nullptr);
        gst_object_unref(pad);
    }
}

bool midi_synthesiser_present() {
    GstElementFactory* factory = gst_element_factory_find("fluiddec");
    if (factory != nullptr) {
        gst_object_unref(factory);
    }
    return factory != nullptr;
}

}  // namespace

// Nothing is taken down: the child ends as soon as it knows.
Outcome decode_fully(const std::string& path, int progress_fd) {
    Progress progress;
    progress.fd = progress_fd;
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, nullptr);
    GstPad* sink_pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(sink_pad, GST_PAD_PROBE_TYPE_BUFFER, on_decoded, &progress, nullptr);
    GstElement* decoder = plat::add_decoder(GST_BIN(pipeline), path, sink);
    gst_bin_add(GST_BIN(pipeline), sink);
    MidiWatch midi{pipeline, &progress};
    g_signal_connect(decoder, "autoplug-continue", G_CALLBACK(stop_at_midi_events), nullptr);
    g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(watch_midi_parser), &midi);

    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        return OUTCOME_UNDECODABLE;
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, GST_CLOCK_TIME_NONE,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_APPLICATION));
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_APPLICATION:
            // Events only sound where there is a synthesiser to play them.
            return midi_synthesiser_present() ? OUTCOME_DECODES : OUTCOME_UNDECODABLE;
        case GST_MESSAGE_EOS:
            return gst_pad_is_linked(sink_pad) ? OUTCOME_DECODES : OUTCOME_UNDECODABLE;
        default: {
            GError* failure = nullptr;
            gst_message_parse_error(message, &failure, nullptr);
            bool unknown = failure != nullptr && failure->domain == GST_STREAM_ERROR &&
                           failure->code == GST_STREAM_ERROR_TYPE_NOT_FOUND;
            return unknown ? OUTCOME_UNKNOWN_TYPE : OUTCOME_UNDECODABLE;
        }
    }
}

}  // namespace filetest
