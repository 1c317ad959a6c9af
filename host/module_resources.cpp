// Reading the module's resource table, its bitmaps and its version record.
#include "host/module_resources.h"

#include <dlfcn.h>

#include <map>
#include <vector>

#include "platform/native/resource_table.h"

namespace {

uint32_t read32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t read16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

std::optional<ResourceBytes> find_resource(void* module, uint16_t type, uint16_t id) {
    if (module == nullptr) {
        return std::nullopt;
    }
    auto* table = static_cast<const NativeResource*>(dlsym(module, NATIVE_RESOURCE_TABLE));
    auto* count = static_cast<const uint32_t*>(dlsym(module, NATIVE_RESOURCE_COUNT));
    if (table == nullptr || count == nullptr) {
        return std::nullopt;
    }
    for (uint32_t i = 0; i < *count; ++i) {
        bool any = id == ANY_RESOURCE_ID;
        if (table[i].type == type && (any || (table[i].name == nullptr && table[i].id == id))) {
            return ResourceBytes{table[i].data, table[i].size};
        }
    }
    return std::nullopt;
}

Image decode_bitmap(const unsigned char* data, uint32_t size) {
    if (data == nullptr || size < 40) {
        return Image();
    }
    uint32_t header_size = read32(data);
    int32_t width = static_cast<int32_t>(read32(data + 4));
    int32_t height = static_cast<int32_t>(read32(data + 8));
    uint16_t bits = read16(data + 14);
    uint32_t compression = read32(data + 16);
    uint32_t colours_used = read32(data + 32);
    bool bottom_up = height > 0;
    int64_t rows = bottom_up ? height : -int64_t(height);
    if (header_size < 40 || header_size > size || width <= 0 || rows <= 0 || width > 8192 ||
        rows > 8192 || compression != 0 || (bits != 8 && bits != 24 && bits != 32 && bits != 4)) {
        return Image();
    }
    uint64_t palette_entries = 0;
    if (bits <= 8) {
        palette_entries = colours_used != 0 ? colours_used : (1u << bits);
        if (palette_entries > 256) {
            return Image();
        }
    }
    uint64_t palette_at = header_size;
    uint64_t pixels_at = palette_at + palette_entries * 4;
    uint64_t stride = ((uint64_t(width) * bits + 31) / 32) * 4;
    if (pixels_at + stride * uint64_t(rows) > size) {
        return Image();
    }
    std::vector<uint32_t> palette(palette_entries);
    for (uint64_t i = 0; i < palette_entries; ++i) {
        const unsigned char* q = data + palette_at + i * 4;
        palette[i] = uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
    }
    Image image(width, int(rows));
    for (int y = 0; y < image.height; ++y) {
        int file_row = bottom_up ? image.height - 1 - y : y;
        const unsigned char* row = data + pixels_at + stride * uint64_t(file_row);
        for (int x = 0; x < width; ++x) {
            uint32_t pixel = 0;
            if (bits == 8 || bits == 4) {
                unsigned index = bits == 8 ? row[x] : (row[x / 2] >> ((x % 2) ? 0 : 4)) & 0xF;
                pixel = index < palette.size() ? palette[index] : 0;
            } else {
                const unsigned char* q = row + size_t(x) * (bits / 8);
                pixel = uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
            }
            image.at(x, y) = pixel;
        }
    }
    return image;
}

namespace {

// A version record is a tree of blocks: length, value length, type, a
// UTF-16 key, then the value and the children, each on a 4-byte boundary.
void walk_version_block(const unsigned char* block, size_t available,
                        std::map<std::string, std::string>& strings, int depth) {
    if (available < 6 || depth > 8) {
        return;
    }
    size_t length = read16(block);
    size_t value_length = read16(block + 2);
    uint16_t type = read16(block + 4);
    if (length < 6 || length > available) {
        return;
    }
    std::string key;
    size_t at = 6;
    while (at + 1 < length && read16(block + at) != 0) {
        key += static_cast<char>(read16(block + at) & 0xFF);
        at += 2;
    }
    at += 2;
    at = (at + 3) & ~size_t(3);
    size_t value_bytes = type == 1 ? value_length * 2 : value_length;
    if (type == 1 && at <= length) {
        std::string value;
        for (size_t i = at; i + 1 < length && i < at + value_bytes; i += 2) {
            uint16_t c = read16(block + i);
            if (c == 0) {
                break;
            }
            value += static_cast<char>(c & 0xFF);
        }
        strings[key] = value;
    }
    at = (at + value_bytes + 3) & ~size_t(3);
    while (at + 6 <= length) {
        size_t child = read16(block + at);
        if (child < 6) {
            break;
        }
        walk_version_block(block + at, length - at, strings, depth + 1);
        at = (at + child + 3) & ~size_t(3);
    }
}

// The native build keeps the record as its source: "Key=Value" lines.
void read_version_lines(const unsigned char* data, size_t size,
                        std::map<std::string, std::string>& strings) {
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        size_t equals = line.find('=');
        if (equals != std::string::npos) {
            strings[line.substr(0, equals)] = line.substr(equals + 1);
        }
        start = end + 1;
    }
}

}  // namespace

std::string module_version_text(void* module) {
    auto found = find_resource(module, 16, ANY_RESOURCE_ID);
    if (!found) {
        return "";
    }
    std::map<std::string, std::string> strings;
    if (found->size >= 6 && found->data[0] >= 'A' && found->data[0] <= 'Z') {
        read_version_lines(found->data, found->size, strings);
    } else {
        walk_version_block(found->data, found->size, strings, 0);
    }
    std::string name = strings["ProductName"];
    std::string version = strings["ProductVersion"];
    if (version.empty()) {
        version = strings["FileVersion"];
    }
    if (name.empty() || version.empty()) {
        return "";
    }
    return name + " " + version;
}
