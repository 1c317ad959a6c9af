#include "platform/gst_output.h"

#include <string>

#include "platform/native/standin.h"

namespace plat {

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
    switch (audio_sink_kind()) {
        case SinkKind::Real:
            description = "audioconvert ! audioresample ! autoaudiosink";
            break;
        case SinkKind::Null:
            description = "audioconvert ! fakesink sync=true";
            break;
        case SinkKind::Wav:
            description =
                "audioconvert ! audioresample ! audio/x-raw,format=S16LE,rate=44100 ! "
                "identity sync=true ! wavenc ! filesink location=\"" +
                audio_capture_path(stream) + "\"";
            break;
    }
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(description.c_str(), TRUE, &error);
    if (error != nullptr) {
        g_printerr("skytune: audio output: %s\n", error->message);
        g_error_free(error);
    }
    return bin;
}

}  // namespace plat
