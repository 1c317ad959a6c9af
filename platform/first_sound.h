// When each capture file first held something a listener would hear: with
// the wav:DIR sink, DIR/first-sound.txt gets a line "NAME SECONDS" for each
// capture file, SECONDS the wall time (since the epoch) at which its first
// audible sample was written, paced as a listener would hear it. The
// benchmarks measure from a click to the first sound with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat {

// Notes the capture file's first sound if these samples (interleaved, of a
// block that starts to be heard now) hold one; true once noted, so the
// caller can stop looking.
bool note_first_sound(const std::string& capture_path, const int16_t* samples, size_t count,
                      int channels, int rate);

}  // namespace plat
