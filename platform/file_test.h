// RenderFile's test of a file: whether it decodes to audio, as the
// platform's graph builder answers.
#pragma once

#include <functional>
#include <string>

#include "platform/native/types.h"

namespace plat {

// S_OK once the file's first audio has been decoded, or the platform's
// error for a missing file, a folder, an unreadable file, a type nothing
// recognises, or one that does not decode (which includes a file whose
// test hung or crashed). The rest of the file is decoded meanwhile.
HRESULT probe_file(const std::string& path);

// Whether the file has been decoded to its end: true with *verdict S_OK or
// the error, or false while it is still being decoded, and then ready is
// called, on another thread, once it has been (a file not tested as it is
// now is tested anew).
bool file_verdict(const std::string& path, std::function<void()> ready, HRESULT* verdict);

}  // namespace plat
