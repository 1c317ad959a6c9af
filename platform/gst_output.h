// The end of every GStreamer pipeline the stand-in builds: the sound goes to
// the speakers, nowhere, or a WAV file, as the sink choice says.
#pragma once

#include <gst/gst.h>

namespace plat {

// Initialises GStreamer once per process.
void gst_ready();

// A bin with one sink pad that takes raw audio and delivers it where the
// sink choice says, paced by the pipeline's clock in every case (a captured
// file holds what a listener would have heard, in real time, silence where
// the stream paused or was run later included). stream names the capture
// file: DIR/<stream>-<n>.wav.
GstElement* make_audio_output(const char* stream);

// Stops the pipeline; the capture file that its output writes (if it
// writes one) is finished with what was heard, and only that, without
// waiting for what the output still holds to play out.
void finish_capture(GstElement* pipeline, GstElement* output);

}  // namespace plat
