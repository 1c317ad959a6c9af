// skytune-streamread URL: plays an internet radio station as the stand-in's
// filter graph hears it, in a process of its own, so that whatever the
// network sends (garbage, a stall, an endless header, a decoder that goes
// round for ever) costs this process, which the library kills, never the
// host. It reads the station over HTTP with the station's own titles asked
// for, decodes it, and writes raw PCM on standard output (protocol.h).
// MIDI is no station's format and is never decoded: its parser is the one
// known to go round for ever on damaged data.
#include <fcntl.h>
#include <gst/gst.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/stream_reader/protocol.h"

namespace {

// The station's end of the pipeline: its failures are the network's.
GstElement* station = nullptr;

void report(const std::string& line) {
    std::string text = line + "\n";
    // Never blocks: a report nobody reads is let go.
    ssize_t written = write(streamread::STATUS_FD, text.data(), text.size());
    (void)written;
}

gboolean refuse_midi(GstElement*, GstPad*, GstCaps* caps, gpointer) {
    const char* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    return strstr(name, "midi") == nullptr ? TRUE : FALSE;
}

void link_audio(GstElement*, GstPad* pad, gpointer next) {
    GstPad* sink = gst_element_get_static_pad(GST_ELEMENT(next), "sink");
    GstCaps* caps = gst_pad_query_caps(pad, nullptr);
    bool audio =
        caps != nullptr && gst_caps_get_size(caps) > 0 &&
        g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "audio/");
    if (caps != nullptr) {
        gst_caps_unref(caps);
    }
    if (audio && !gst_pad_is_linked(sink)) {
        gst_pad_link(pad, sink);
    }
    gst_object_unref(sink);
}

GstPadProbeReturn note_ready(GstPad*, GstPadProbeInfo*, gpointer) {
    report(streamread::READY);
    return GST_PAD_PROBE_REMOVE;
}

// One line of text: what the station sends may hold anything.
std::string one_line(const char* text) {
    std::string line;
    for (const char* c = text; *c != '\0' && line.size() < 1000; ++c) {
        line += static_cast<unsigned char>(*c) < 0x20 ? ' ' : *c;
    }
    return line;
}

GstElement* build(const char* url) {
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* source = gst_element_factory_make("souphttpsrc", nullptr);
    station = source;
    GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* format = gst_element_factory_make("capsfilter", nullptr);
    GstElement* out = gst_element_factory_make("fdsink", nullptr);
    if (source == nullptr || decoder == nullptr || out == nullptr) {
        return nullptr;
    }
    g_object_set(source, "location", url, "iradio-mode", TRUE, "retries", 0, "timeout",
                 streamread::READ_TIMEOUT_S, "user-agent", "SkyTune/3.0", nullptr);
    GstCaps* caps =
        gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "rate", G_TYPE_INT,
                            streamread::RATE, "channels", G_TYPE_INT, streamread::CHANNELS,
                            "layout", G_TYPE_STRING, "interleaved", nullptr);
    g_object_set(format, "caps", caps, nullptr);
    gst_caps_unref(caps);
    g_object_set(out, "fd", STDOUT_FILENO, "sync", FALSE, nullptr);
    gst_bin_add_many(GST_BIN(pipeline), source, decoder, convert, resample, format, out, nullptr);
    gst_element_link(source, decoder);
    gst_element_link_many(convert, resample, format, out, nullptr);
    g_signal_connect(decoder, "autoplug-continue", G_CALLBACK(refuse_midi), nullptr);
    g_signal_connect(decoder, "pad-added", G_CALLBACK(link_audio), convert);
    GstPad* pad = gst_element_get_static_pad(out, "sink");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, note_ready, nullptr, nullptr);
    gst_object_unref(pad);
    return pipeline;
}

// Plays until the station ends or fails; the exit status.
int play(GstElement* pipeline) {
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        report(streamread::FAILED_CONNECT);
        return 1;
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    std::string title;
    for (;;) {
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, GST_CLOCK_TIME_NONE,
            static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS | GST_MESSAGE_TAG));
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_TAG) {
            GstTagList* tags = nullptr;
            gst_message_parse_tag(message, &tags);
            gchar* text = nullptr;
            if (gst_tag_list_get_string(tags, GST_TAG_TITLE, &text) && one_line(text) != title) {
                title = one_line(text);
                report(streamread::TITLE + title);
            }
            g_free(text);
            gst_tag_list_unref(tags);
            gst_message_unref(message);
            continue;
        }
        int status = 0;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            bool network = GST_MESSAGE_SRC(message) == GST_OBJECT(station);
            report(network ? streamread::FAILED_CONNECT : streamread::FAILED_DECODE);
            status = 1;
        }
        gst_message_unref(message);
        gst_object_unref(bus);
        return status;
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Ends with the library's process, whatever becomes of the pipes.
    pid_t parent = getppid();
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (argc != 2 || getppid() != parent ||
        fcntl(streamread::STATUS_FD, F_SETFL, O_NONBLOCK) != 0) {
        return 2;
    }
    gst_init(nullptr, nullptr);
    GstElement* pipeline = build(argv[1]);
    if (pipeline == nullptr) {
        report(streamread::FAILED_DECODE);
        return 1;
    }
    int status = play(pipeline);
    // No clean-up: GStreamer's process-lifetime state goes with the process.
    _exit(status);
}
