// The sound's way out of every pipeline, and the end of a capture file.
// Only the three sinks of the sink choice are offered; a capture is always
// 16-bit stereo or mono PCM at 44.1 kHz, whatever the stream was.
#include "platform/gst_output.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "platform/first_sound.h"
#include "platform/native/standin.h"

namespace plat {
namespace {

// What every capture file holds: 16-bit samples at 44.1 kHz.
constexpr int CAPTURE_RATE = 44100;

int channels_on(GstPad* pad) {
    int channels = 1;
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (caps != nullptr) {
        gst_structure_get_int(gst_caps_get_structure(caps, 0), "channels", &channels);
        gst_caps_unref(caps);
    }
    return channels > 0 ? channels : 1;
}

// Watches the paced samples of a capture until the first audible one.
GstPadProbeReturn watch_first_sound(GstPad* pad, GstPadProbeInfo* info, gpointer capture_path) {
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    GstMapInfo map;
    if (buffer == nullptr || !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return GST_PAD_PROBE_OK;
    }
    bool heard = note_first_sound(*static_cast<std::string*>(capture_path),
                                  reinterpret_cast<const int16_t*>(map.data),
                                  map.size / sizeof(int16_t), channels_on(pad), CAPTURE_RATE);
    gst_buffer_unmap(buffer, &map);
    return heard ? GST_PAD_PROBE_REMOVE : GST_PAD_PROBE_OK;
}

// How long a stopping pipeline waits for its capture file to be written.
constexpr auto FINISH_TIMEOUT = std::chrono::seconds(3);

// Set when the end of stream reaches the capture file's writer.
struct CaptureEnd {
    std::mutex lock;
    std::condition_variable signal;
    bool ended = false;
};

// The probe's data reaches the streaming thread through GStreamer's own
// locks, which the race detector cannot see; through this one it can.
std::mutex capture_end_handoff;

GstPadProbeReturn note_capture_end(GstPad*, GstPadProbeInfo* info, gpointer data) {
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
        std::unique_lock<std::mutex> handed(capture_end_handoff);
        CaptureEnd& end = **static_cast<std::shared_ptr<CaptureEnd>*>(data);
        handed.unlock();
        std::lock_guard<std::mutex> hold(end.lock);
        end.ended = true;
        end.signal.notify_all();
    }
    return GST_PAD_PROBE_OK;
}

}  // namespace

void gst_ready() {
    // Threads of the graph worker and of MCI commands may be first.
    static const bool ready = [] {
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)ready;
}

GstElement* make_audio_output(const char* stream) {
    gst_ready();
    std::string description;
    std::string capture_path;
    switch (audio_sink_kind()) {
        case SinkKind::Real:
            description = "audioconvert ! audioresample ! autoaudiosink";
            break;
        case SinkKind::Null:
            description = "audioconvert ! fakesink sync=true";
            break;
        case SinkKind::Wav:
            capture_path = audio_capture_path(stream);
            description =
                "audioconvert ! audioresample ! audio/x-raw,format=S16LE,rate=44100 ! "
                "identity name=pace sync=true ! wavenc ! filesink name=file location=\"" +
                capture_path + "\"";
            break;
    }
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(description.c_str(), TRUE, &error);
    if (error != nullptr) {
        g_printerr("skytune: audio output: %s\n", error->message);
        g_error_free(error);
    }
    GstElement* pace = bin != nullptr && !capture_path.empty()
                           ? gst_bin_get_by_name(GST_BIN(bin), "pace")
                           : nullptr;
    if (pace != nullptr) {
        GstPad* paced = gst_element_get_static_pad(pace, "src");
        gst_pad_add_probe(paced, GST_PAD_PROBE_TYPE_BUFFER, watch_first_sound,
                          new std::string(capture_path),
                          [](gpointer path) { delete static_cast<std::string*>(path); });
        gst_object_unref(paced);
        gst_object_unref(pace);
    }
    return bin;
}

void finish_capture(GstElement* pipeline, GstElement* output) {
    GstElement* file = gst_bin_get_by_name(GST_BIN(output), "file");
    if (file == nullptr) {
        return;
    }
    GstState state = GST_STATE_NULL;
    GstState pending = GST_STATE_NULL;
    gst_element_get_state(pipeline, &state, &pending, 0);
    GstPad* entry = gst_element_get_static_pad(output, "sink");
    GstPad* feed = gst_pad_get_peer(entry);
    if (state == GST_STATE_PLAYING && pending == GST_STATE_VOID_PENDING && feed != nullptr &&
        !GST_PAD_IS_EOS(entry)) {
        gulong held =
            gst_pad_add_probe(feed, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM, nullptr, nullptr, nullptr);
        auto end = std::make_shared<CaptureEnd>();
        std::shared_ptr<CaptureEnd>* handed;
        {
            std::lock_guard<std::mutex> handing(capture_end_handoff);
            handed = new std::shared_ptr<CaptureEnd>(end);
        }
        GstPad* written = gst_element_get_static_pad(file, "sink");
        gulong watch =
            gst_pad_add_probe(written, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, note_capture_end,
                              handed, [](gpointer data) {
                                  std::lock_guard<std::mutex> handed(capture_end_handoff);
                                  delete static_cast<std::shared_ptr<CaptureEnd>*>(data);
                              });
        if (gst_pad_send_event(entry, gst_event_new_eos())) {
            std::unique_lock<std::mutex> hold(end->lock);
            end->signal.wait_for(hold, FINISH_TIMEOUT, [&end] { return end->ended; });
        }
        // Stopped before the stream is let go, so nothing held back follows.
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_pad_remove_probe(written, watch);
        gst_pad_remove_probe(feed, held);
        gst_object_unref(written);
    }
    if (feed != nullptr) {
        gst_object_unref(feed);
    }
    gst_object_unref(entry);
    gst_object_unref(file);
}

}  // namespace plat
