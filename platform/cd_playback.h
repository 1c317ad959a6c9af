// One run of the virtual CD drive: the disc's tracks from one track to the
// end of the disc, one after another without a gap, through GStreamer.
#pragma once

#include <gst/gst.h>

#include <mutex>
#include <string>
#include <vector>

namespace plat {

class CdPlayback {
  public:
    // Returns once the run is started; the disc plays on by itself. first
    // is an index into tracks.
    CdPlayback(const std::vector<std::string>& tracks, size_t first, double gain);
    // Stops; a capture file is finished first.
    ~CdPlayback();
    CdPlayback(const CdPlayback&) = delete;
    CdPlayback& operator=(const CdPlayback&) = delete;

    bool started() const { return pipeline_ != nullptr; }
    // False once the disc ran out or a track could not be played.
    bool running();
    // The index of the track that plays now.
    size_t track();
    void set_gain(double gain);

  private:
    void add_track(size_t index);
    static GstPadProbeReturn on_track_event(GstPad* pad, GstPadProbeInfo* info, gpointer self);

    std::vector<std::string> tracks_;
    size_t first_;
    // The track last seen playing.
    size_t last_track_;
    GstElement* pipeline_ = nullptr;
    GstElement* concat_ = nullptr;
    GstElement* volume_ = nullptr;
    GstElement* output_ = nullptr;
    std::mutex lock_;
    // The concat input of each track added so far, from first_ on.
    std::vector<GstPad*> inputs_;
    bool ended_ = false;
    bool stopping_ = false;
};

}  // namespace plat
