// The head of every chain that decodes a sound file with GStreamer: the
// filter graph's, the virtual CD drive's and the file tester's.
#pragma once

#include <gst/gst.h>

#include <string>

namespace plat {

// Adds the file's source and decoder to bin; their audio goes to next.
// next, and whatever follows it, join the bin after this call: a bin
// starts its elements from its sinks upstream, and its unlinked elements
// newest first, so the decoder starts after them. (Started first, the
// source could push before next had started, and stop for good.)
GstElement* add_decoder(GstBin* bin, const std::string& path, GstElement* next);

// Sets up the decoders that pipeline will make as they join it.
void tune_decoders(GstElement* pipeline);

// Loads the plugins that the four formats, their containers and their tags
// need, so that the first file of each does not wait for them.
void load_decoder_plugins();

}  // namespace plat
