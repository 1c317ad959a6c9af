// How a native module carries its resources: a table that the build
// generates from resources/resources.list, exported under one name.
#pragma once

#include <cstdint>

struct NativeResource {
    uint16_t type;     // RT_BITMAP, RT_RCDATA, RT_VERSION
    uint16_t id;       // the resource's number, or 0 when it has a name
    const char* name;  // the resource's name, or null when it has a number
    const unsigned char* data;
    uint32_t size;
};

#define NATIVE_RESOURCE_TABLE "skytune_resource_table"
#define NATIVE_RESOURCE_COUNT "skytune_resource_count"
