// A run of the virtual CD drive: each track's decoder head (the one the
// filter graph uses, so a track plays whatever a preset plays) is brought
// to one format and joined by concat, the next track made ready while one
// plays. Runs from a whole track to the end of the disc; it never seeks.
#include "platform/cd_playback.h"

#include "platform/gst_decode.h"
#include "platform/gst_output.h"
#include "platform/native/standin.h"

namespace plat {
namespace {

// Every track is brought to one format, so that the join is seamless.
const char track_caps[] = "audio/x-raw,format=F32LE,layout=interleaved,rate=44100,channels=2";

GstElement* make(const char* factory) {
    return gst_element_factory_make(factory, nullptr);
}

}  // namespace

CdPlayback::CdPlayback(const std::vector<std::string>& tracks, size_t first, double gain)
    : tracks_(tracks), first_(first), last_track_(first) {
    gst_ready();
    output_ = make_audio_output("cd");
    GstElement* pipeline = gst_pipeline_new("cd");
    concat_ = make("concat");
    volume_ = make("volume");
    if (output_ == nullptr || concat_ == nullptr || volume_ == nullptr) {
        for (GstElement* element : {output_, concat_, volume_}) {
            if (element != nullptr) {
                gst_object_unref(gst_object_ref_sink(element));
            }
        }
        gst_object_unref(pipeline);
        concat_ = volume_ = output_ = nullptr;
        return;
    }
    tune_decoders(pipeline);
    g_object_set(volume_, "volume", gain, nullptr);
    gst_bin_add_many(GST_BIN(pipeline), concat_, volume_, output_, nullptr);
    gst_element_link_many(concat_, volume_, output_, nullptr);
    pipeline_ = pipeline;
    {
        std::lock_guard<std::mutex> hold(lock_);
        // One track ahead is ready to join; the rest are added as they come.
        add_track(first_);
        if (first_ + 1 < tracks_.size()) {
            add_track(first_ + 1);
        }
    }
    // The pipeline goes on to play by itself: the command that began it
    // does not wait for its first sound.
    if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        std::lock_guard<std::mutex> hold(lock_);
        ended_ = true;
    }
}

CdPlayback::~CdPlayback() {
    if (pipeline_ == nullptr) {
        return;
    }
    {
        // No track joins a run that is being taken down.
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    finish_capture(pipeline_, output_);
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    for (GstPad* input : inputs_) {
        gst_element_release_request_pad(concat_, input);
        gst_object_unref(input);
    }
    gst_object_unref(pipeline_);
}

bool CdPlayback::running() {
    std::lock_guard<std::mutex> hold(lock_);
    if (pipeline_ == nullptr) {
        return false;
    }
    if (!ended_) {
        GstBus* bus = gst_element_get_bus(pipeline_);
        GstMessage* message = gst_bus_pop_filtered(
            bus, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (message != nullptr) {
            ended_ = true;
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
                // The disc played to its end: the last track was the last heard.
                last_track_ = tracks_.size() - 1;
            } else {
                GError* error = nullptr;
                gst_message_parse_error(message, &error, nullptr);
                g_printerr("skytune: cd drive: %s\n", error != nullptr ? error->message : "?");
                g_clear_error(&error);
            }
            gst_message_unref(message);
        }
        gst_object_unref(bus);
    }
    return !ended_;
}

size_t CdPlayback::track() {
    if (pipeline_ == nullptr) {
        return first_;
    }
    GstPad* active = nullptr;
    g_object_get(concat_, "active-pad", &active, nullptr);
    std::lock_guard<std::mutex> hold(lock_);
    for (size_t i = 0; i < inputs_.size() && !ended_; ++i) {
        if (inputs_[i] == active) {
            last_track_ = first_ + i;
        }
    }
    if (active != nullptr) {
        gst_object_unref(active);
    }
    return last_track_;
}

void CdPlayback::set_gain(double gain) {
    if (volume_ != nullptr) {
        g_object_set(volume_, "volume", gain, nullptr);
    }
}

// Called with lock_ held.
void CdPlayback::add_track(size_t index) {
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* convert = make("audioconvert");
    GstElement* resample = make("audioresample");
    GstElement* format = make("capsfilter");
    GstCaps* caps = gst_caps_from_string(track_caps);
    g_object_set(format, "caps", caps, nullptr);
    gst_caps_unref(caps);
    add_decoder(GST_BIN(bin), tracks_[index], convert);
    gst_bin_add_many(GST_BIN(bin), convert, resample, format, nullptr);
    gst_element_link_many(convert, resample, format, nullptr);

    GstPad* format_out = gst_element_get_static_pad(format, "src");
    GstPad* out = gst_ghost_pad_new("src", format_out);
    gst_object_unref(format_out);
    gst_element_add_pad(bin, out);
    gst_pad_add_probe(out, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, on_track_event, this, nullptr);

    gst_bin_add(GST_BIN(pipeline_), bin);
    GstPad* input = gst_element_request_pad_simple(concat_, "sink_%u");
    gst_pad_link(out, input);
    inputs_.push_back(input);
    gst_element_sync_state_with_parent(bin);
}

// When a track's decoder has given its last sample, the track after the
// next one is made ready, so that one is always waiting at the join.
GstPadProbeReturn CdPlayback::on_track_event(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (event == nullptr || GST_EVENT_TYPE(event) != GST_EVENT_EOS) {
        return GST_PAD_PROBE_OK;
    }
    auto* playback = static_cast<CdPlayback*>(self);
    std::lock_guard<std::mutex> hold(playback->lock_);
    if (playback->stopping_) {
        return GST_PAD_PROBE_OK;
    }
    GstPad* input = gst_pad_get_peer(pad);
    for (size_t i = 0; i < playback->inputs_.size(); ++i) {
        size_t wanted = playback->first_ + i + 2;
        if (playback->inputs_[i] == input && wanted < playback->tracks_.size() &&
            playback->first_ + playback->inputs_.size() == wanted) {
            playback->add_track(wanted);
            break;
        }
    }
    if (input != nullptr) {
        gst_object_unref(input);
    }
    return GST_PAD_PROBE_OK;
}

}  // namespace plat
