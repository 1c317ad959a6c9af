// Pixel copies onto the face: plain, transparent, dimmed and turned.
#include "host/image.h"

#include <algorithm>
#include <cmath>

namespace {

uint32_t shade(uint32_t pixel, double brightness) {
    if (brightness >= 1.0) {
        return pixel;
    }
    auto channel = [&](int shift) {
        return static_cast<uint32_t>(((pixel >> shift) & 0xFF) * brightness) << shift;
    };
    return channel(16) | channel(8) | channel(0);
}

bool skipped(uint32_t pixel, const DrawStyle& style) {
    return style.transparent && (pixel & 0xFFFFFF) == 0;
}

}  // namespace

void blit(Image& dst, const Image& src, int x, int y, DrawStyle style) {
    int x0 = std::max(0, -x);
    int y0 = std::max(0, -y);
    int x1 = std::min(src.width, dst.width - x);
    int y1 = std::min(src.height, dst.height - y);
    for (int sy = y0; sy < y1; ++sy) {
        for (int sx = x0; sx < x1; ++sx) {
            uint32_t pixel = src.at(sx, sy);
            if (!skipped(pixel, style)) {
                dst.at(x + sx, y + sy) = shade(pixel, style.brightness);
            }
        }
    }
}

void blit_rotated(Image& dst, const Image& src, double turn_x, double turn_y, double pivot_x,
                  double pivot_y, double angle, DrawStyle style) {
    if (src.empty()) {
        return;
    }
    // Every source pixel lies within this reach of the turning point.
    double reach = 0;
    for (double cx : {0.0, double(src.width)}) {
        for (double cy : {0.0, double(src.height)}) {
            reach = std::max(reach, std::hypot(cx - turn_x - 0.5, cy - turn_y - 0.5));
        }
    }
    int left = std::max(0, int(std::floor(pivot_x - reach)));
    int top = std::max(0, int(std::floor(pivot_y - reach)));
    int right = std::min(dst.width - 1, int(std::ceil(pivot_x + reach)));
    int bottom = std::min(dst.height - 1, int(std::ceil(pivot_y + reach)));
    double c = std::cos(angle);
    double s = std::sin(angle);
    // Each face pixel looks back into the bitmap (centre to centre).
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            double dx = x - pivot_x;
            double dy = y - pivot_y;
            double sx = c * dx + s * dy + turn_x + 0.5;
            double sy = -s * dx + c * dy + turn_y + 0.5;
            int ix = int(std::floor(sx));
            int iy = int(std::floor(sy));
            if (!src.inside(ix, iy)) {
                continue;
            }
            uint32_t pixel = src.at(ix, iy);
            if (!skipped(pixel, style)) {
                dst.at(x, y) = shade(pixel, style.brightness);
            }
        }
    }
}

void fill_rect(Image& dst, int x, int y, int w, int h, uint32_t colour) {
    for (int yy = std::max(0, y); yy < std::min(dst.height, y + h); ++yy) {
        for (int xx = std::max(0, x); xx < std::min(dst.width, x + w); ++xx) {
            dst.at(xx, yy) = colour;
        }
    }
}

uint32_t from_colorref(uint32_t colorref) {
    return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}
