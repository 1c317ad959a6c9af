// Reading and decoding a sound file with GStreamer: the test RenderFile
// makes, and the head of every playing chain.
#include "platform/gst_decode.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/gst_output.h"
#include "platform/native/dshow.h"
#include "platform/native/files.h"
#include "platform/native/windows.h"

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

namespace {

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

// The MIDI parser pushes from a thread of its own as soon as it starts,
// before decodebin has exposed (and so linked) the pad where the test stops;
// its events are therefore dropped at the parser, and the first one is the
// test's proof.
GstPadProbeReturn note_midi_events(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    if ((info->type & GST_PAD_PROBE_TYPE_BUFFER) &&
        g_object_get_data(G_OBJECT(pad), "skytune-heard") == nullptr) {
        g_object_set_data(G_OBJECT(pad), "skytune-heard", pad);
        GstElement* pipeline = GST_ELEMENT(data);
        gst_element_post_message(
            pipeline,
            gst_message_new_application(GST_OBJECT(pipeline), gst_structure_new_empty("midi")));
    }
    return GST_PAD_PROBE_DROP;
}

void watch_midi_parser(GstBin* pipeline, GstBin*, GstElement* element, gpointer) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory != nullptr && g_strcmp0(GST_OBJECT_NAME(factory), "midiparse") == 0) {
        GstPad* pad = gst_element_get_static_pad(element, "src");
        if (pad != nullptr) {
            gst_pad_add_probe(pad,
                              static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                           GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                              note_midi_events, pipeline, nullptr);
            gst_object_unref(pad);
        }
    }
}

// How long the test waits for a file to show that it decodes.
constexpr gint64 RENDER_TIMEOUT_NS = 10 * GST_SECOND;

// Tries a file as far as its first decoded audio.
HRESULT decode_test(const std::string& path) {
    gst_ready();
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    gst_bin_add(GST_BIN(pipeline), sink);
    GstElement* decoder = add_decoder(GST_BIN(pipeline), path, sink);
    if (midi_synthesiser_present()) {
        g_signal_connect(decoder, "autoplug-continue", G_CALLBACK(stop_at_midi_events), nullptr);
        g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(watch_midi_parser), nullptr);
    }

    HRESULT result = VFW_E_CANNOT_RENDER;
    if (gst_element_set_state(pipeline, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE) {
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, RENDER_TIMEOUT_NS,
            static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR |
                                        GST_MESSAGE_APPLICATION));
        if (message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION) {
            result = S_OK;
        } else if (message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE) {
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

// What a file was when it was tested, and the result.
struct Tested {
    dev_t device;
    ino_t inode;
    off_t size;
    struct timespec modified;
    HRESULT result;
};

bool same_file(const Tested& tested, const struct stat& info) {
    return tested.device == info.st_dev && tested.inode == info.st_ino &&
           tested.size == info.st_size && tested.modified.tv_sec == info.st_mtim.tv_sec &&
           tested.modified.tv_nsec == info.st_mtim.tv_nsec;
}

// Enough for every preset and the files of a session; past it, all are
// forgotten and tested again.
constexpr size_t TESTED_KEPT = 64;

}  // namespace

HRESULT probe_file(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        return HRESULT_FROM_WIN32(errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    }
    if (S_ISDIR(info.st_mode) || access(path.c_str(), R_OK) != 0) {
        return E_ACCESSDENIED;
    }
    // A file is decoded once while it stays the same: a preset is tested at
    // start, when assigned, and again each time it plays.
    static std::mutex lock;
    static std::map<std::string, Tested> tested;
    {
        std::lock_guard<std::mutex> hold(lock);
        auto found = tested.find(path);
        if (found != tested.end() && same_file(found->second, info)) {
            return found->second.result;
        }
    }
    HRESULT result = decode_test(path);
    std::lock_guard<std::mutex> hold(lock);
    if (tested.size() >= TESTED_KEPT) {
        tested.clear();
    }
    tested[path] = Tested{info.st_dev, info.st_ino, info.st_size, info.st_mtim, result};
    return result;
}

}  // namespace plat
