// Reads what a back-end played into a WAV capture file and measures it, so
// that audio tests listen instead of trusting that a call was made.
#pragma once

#include <string>
#include <vector>

#include "tests/support/sound_measures.h"

// Reads a 16-bit PCM WAV file. A capture cut short (a header that still
// says 0 bytes) reads as far as the file goes. Empty when unreadable.
CapturedAudio read_captured_audio(const std::string& path);

// The capture files a sink wrote for one stream name (DIR/<stream>-<n>.wav),
// in the order they were made.
std::vector<std::string> captured_files(const std::string& dir, const std::string& stream);
