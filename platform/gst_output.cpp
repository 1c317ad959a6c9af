#include "platform/gst_output.h"

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

}  // namespace

void gst_ready() {
    static bool ready = false;
    if (!ready) {
        gst_init(nullptr, nullptr);
        ready = true;
    }
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
                "identity name=pace sync=true ! wavenc ! filesink location=\"" +
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

}  // namespace plat
