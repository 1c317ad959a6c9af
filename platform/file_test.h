// RenderFile's test of a file: whether it decodes to audio, as the
// platform's graph builder answers.
#pragma once

#include <string>

#include "platform/native/types.h"

namespace plat {

// S_OK, or the platform's error for a missing file, a folder, an unreadable
// file, a type nothing recognises, or one that cannot be decoded to its end
// (which includes a file whose test hung or crashed).
HRESULT probe_file(const std::string& path);

}  // namespace plat
