// The module's resources as the host reads them: straight from the table the
// module carries, so that the host's reads stay out of the module's trace.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/image.h"

struct ResourceBytes {
    const unsigned char* data = nullptr;
    uint32_t size = 0;
};

constexpr uint16_t ANY_RESOURCE_ID = 0xFFFF;

// The resource of a type (2 bitmap, 16 version) and number in the module
// whose dlopen handle is given; ANY_RESOURCE_ID takes the first of the type.
std::optional<ResourceBytes> find_resource(void* module, uint16_t type, uint16_t id);

// A bitmap resource (an info header, its palette, the rows) as an image;
// empty when the data is not a bitmap this host draws.
Image decode_bitmap(const unsigned char* data, uint32_t size);

// "NAME VERSION" from the module's version record ("SkyTune 3.0"), or empty.
std::string module_version_text(void* module);
