// The decoder head: a file source and decodebin, whose first audio stream
// goes on; every format GStreamer decodes is taken, video and other streams
// are left unlinked. A WAV file is read as a stream, other files randomly.
#include "platform/gst_decode.h"

#include <cstdio>
#include <cstring>

namespace plat {
namespace {

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

// A WAV file is offered to its parser only as a stream: the WAV parser,
// reading it randomly, gives up on a file whose last chunk is followed by
// its pad byte, as the click is. (A queue in between would do the same but
// can hold the source's allocation query past the parser's end of data, and
// the end of stream then never comes.) Other formats are read randomly: the
// MIDI parser, fed a stream, starts a task of its own that outlives it.
GstPadProbeReturn offer_stream_only(GstPad*, GstPadProbeInfo* info, gpointer) {
    GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
    if (GST_QUERY_TYPE(query) != GST_QUERY_SCHEDULING) {
        return GST_PAD_PROBE_OK;
    }
    gst_query_set_scheduling(query, GST_SCHEDULING_FLAG_SEEKABLE, 1, -1, 0);
    gst_query_add_scheduling_mode(query, GST_PAD_MODE_PUSH);
    return GST_PAD_PROBE_HANDLED;
}

bool is_wave_file(const std::string& path) {
    char head[12] = {};
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    size_t got = fread(head, 1, sizeof head, file);
    fclose(file);
    return got == sizeof head && memcmp(head, "RIFF", 4) == 0 && memcmp(head + 8, "WAVE", 4) == 0;
}

}  // namespace

GstElement* add_decoder(GstBin* bin, const std::string& path, GstElement* next) {
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
    g_object_set(source, "location", path.c_str(), nullptr);
    if (is_wave_file(path)) {
        GstPad* pad = gst_element_get_static_pad(source, "src");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_QUERY_UPSTREAM, offer_stream_only, nullptr,
                          nullptr);
        gst_object_unref(pad);
    }
    gst_bin_add_many(bin, source, decoder, nullptr);
    gst_element_link(source, decoder);
    g_signal_connect(decoder, "pad-added", G_CALLBACK(link_audio_pad), next);
    return decoder;
}

void tune_decoders(GstElement* pipeline) {
    g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(tune_element), nullptr);
}

void load_decoder_plugins() {
    static const char* const names[] = {"coreelements", "typefindfunctions",
                                        "playback",     "wavparse",
                                        "audioparsers", "mpg123",
                                        "libav",        "asf",
                                        "midi",         "id3demux",
                                        "apetag",       "audioconvert"};
    for (const char* name : names) {
        GstPlugin* plugin = gst_registry_find_plugin(gst_registry_get(), name);
        if (plugin != nullptr) {
            GstPlugin* loaded = gst_plugin_load(plugin);
            if (loaded != nullptr) {
                gst_object_unref(loaded);
            }
            gst_object_unref(plugin);
        }
    }
}

}  // namespace plat
