// The sound's way out of every pipeline, and the end of a capture file.
// Only the three sinks of the sink choice are offered; a capture is always
// 16-bit stereo or mono PCM at 44.1 kHz, whatever the stream was.
#include "platform/gst_output.h"

#include <cstdio>
#include <cstring>
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

// Where a capture's timeline has a hole (a pause, a run at a later time),
// a listener hears silence, and the capture writes it: the paced samples
// come after as much silence as the hole lasted. Holes are read from the
// schedule (the base time and the buffer's running time), not from when a
// buffer comes, which a busy machine makes late.
GstPadProbeReturn write_holes(GstPad* pad, GstPadProbeInfo* info, gpointer scheduled_end) {
    GstClockTime& end = *static_cast<GstClockTime*>(scheduled_end);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    GstElement* pace = gst_pad_get_parent_element(pad);
    if (event == nullptr || pace == nullptr || !GST_BUFFER_PTS_IS_VALID(buffer)) {
        if (event != nullptr) {
            gst_event_unref(event);
        }
        if (pace != nullptr) {
            gst_object_unref(pace);
        }
        return GST_PAD_PROBE_OK;
    }
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event, &segment);
    GstClockTime running =
        gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    GstClockTime start = gst_element_get_base_time(pace) + running;
    gst_event_unref(event);
    gst_object_unref(pace);
    if (!GST_CLOCK_TIME_IS_VALID(running)) {
        return GST_PAD_PROBE_OK;
    }
    if (GST_CLOCK_TIME_IS_VALID(end) && start > end + GST_MSECOND / 2) {
        gsize bytes = gst_util_uint64_scale(start - end, CAPTURE_RATE, GST_SECOND) *
                      static_cast<gsize>(channels_on(pad)) * sizeof(int16_t);
        GstBuffer* silence = gst_buffer_new_allocate(nullptr, bytes, nullptr);
        gst_buffer_memset(silence, 0, 0, bytes);
        GST_PAD_PROBE_INFO_DATA(info) = gst_buffer_append(silence, buffer);
    }
    GstClockTime length = GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) : 0;
    if (!GST_CLOCK_TIME_IS_VALID(end) || start + length > end) {
        end = start + length;
    }
    return GST_PAD_PROBE_OK;
}

// The sizes in a WAV file's header as its length says: the file writer put
// placeholders there, which an end of stream would have mended.
void mend_wav_sizes(const std::string& path) {
    FILE* file = fopen(path.c_str(), "r+b");
    if (file == nullptr) {
        return;
    }
    auto put32 = [file](long at, uint32_t value) {
        unsigned char bytes[4] = {
            static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
        fseek(file, at, SEEK_SET);
        fwrite(bytes, 1, 4, file);
    };
    fseek(file, 0, SEEK_END);
    long length = ftell(file);
    unsigned char chunk[8];
    long at = 12;
    fseek(file, at, SEEK_SET);
    while (length >= 44 && at + 8 <= length && fread(chunk, 1, 8, file) == 8) {
        if (memcmp(chunk, "data", 4) == 0) {
            put32(4, static_cast<uint32_t>(length - 8));
            put32(at + 4, static_cast<uint32_t>(length - at - 8));
            break;
        }
        uint32_t size =
            chunk[4] | chunk[5] << 8 | chunk[6] << 16 | static_cast<uint32_t>(chunk[7]) << 24;
        at += 8 + static_cast<long>(size) + static_cast<long>(size & 1);
        fseek(file, at, SEEK_SET);
    }
    fclose(file);
}

}  // namespace

void gst_ready() {
    // A graph's caller, a file test's answer or an MCI command may be first.
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
        gst_pad_add_probe(paced, GST_PAD_PROBE_TYPE_BUFFER, write_holes,
                          new GstClockTime(GST_CLOCK_TIME_NONE),
                          [](gpointer end) { delete static_cast<GstClockTime*>(end); });
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
    gchar* location = nullptr;
    g_object_get(file, "location", &location, nullptr);
    gst_object_unref(file);
    // Stopped at once, as a sound card stops: what the pacer still held was
    // never heard, and is not written.
    gst_element_set_state(pipeline, GST_STATE_NULL);
    if (location != nullptr) {
        mend_wav_sizes(location);
        g_free(location);
    }
}

}  // namespace plat
