// Text on the face: the string element and the tooltip box, in the
// Liberation fonts (metric twins of the Windows fonts the records name).
#pragma once

#include <cstdint>
#include <string>

#include "host/image.h"

struct TextStyle {
    std::string face = "Courier New";  // the font name a record gives
    bool bold = false;
    int pixel_height = 12;
    uint32_t colour = 0xFFFFFF;  // 0x00RRGGBB
    double brightness = 1.0;
};

// DrawText's flags the string element uses.
enum : uint32_t {
    TEXT_CENTER = 0x01,
    TEXT_RIGHT = 0x02,
    TEXT_VCENTER = 0x04,
    TEXT_BOTTOM = 0x08,
};

// Draws one line of text into the box (x, y, w, h), placed by the flags and
// cut at the box's edges. False when no font could be opened.
bool draw_text(Image& dst, int x, int y, int w, int h, const std::string& text,
               const TextStyle& style, uint32_t flags);

// The width and height the text takes in the style; 0, 0 without a font.
void measure_text(const std::string& text, const TextStyle& style, int* width, int* height);

// Closes the fonts (before the process ends, for the leak checker).
void close_fonts();
