// Writing a picture as a PNG file.
#pragma once

#include <string>

#include "host/image.h"

// False (and nothing left behind) when the file cannot be written.
bool write_png(const std::string& path, const Image& image);
