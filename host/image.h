// A picture in memory: the face the host draws, a bitmap from the module.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Pixels are 0x00RRGGBB, rows top to bottom.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    Image() = default;
    Image(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(size_t(w) * h, fill) {}
    bool empty() const { return width <= 0 || height <= 0; }
    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
    uint32_t& at(int x, int y) { return pixels[size_t(y) * width + x]; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// How an element's pixels reach the face.
struct DrawStyle {
    bool transparent = false;  // black pixels are not drawn
    double brightness = 1.0;   // 1 as painted; less when the panel is dark
};

// Copies src with its top-left corner at (x, y), clipped to dst.
void blit(Image& dst, const Image& src, int x, int y, DrawStyle style);

// Draws src turned by angle radians (clockwise on the screen, 0 pointing
// right) so that its pixel turn lies on dst's pixel pivot.
void blit_rotated(Image& dst, const Image& src, double turn_x, double turn_y, double pivot_x,
                  double pivot_y, double angle, DrawStyle style);

void fill_rect(Image& dst, int x, int y, int w, int h, uint32_t colour);

// The colour of a Windows COLORREF (red in the low byte) as 0x00RRGGBB.
uint32_t from_colorref(uint32_t colorref);
