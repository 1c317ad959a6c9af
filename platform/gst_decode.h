// Reading and decoding a sound file with GStreamer.
#pragma once

#include <gst/gst.h>

#include <string>

#include "platform/native/types.h"

namespace plat {

// Whether a file decodes to audio, as RenderFile answers: S_OK, or the
// platform's error for a missing file, a folder, an unreadable file, a type
// nothing recognises or one that cannot be decoded.
HRESULT probe_file(const std::string& path);

// Adds the file's source and decoder to bin; their audio goes to next.
GstElement* add_decoder(GstBin* bin, const std::string& path, GstElement* next);

// Sets up the decoders that pipeline will make as they join it.
void tune_decoders(GstElement* pipeline);

}  // namespace plat
