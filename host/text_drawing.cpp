// Text through SDL_ttf, blended onto the face by its coverage.
#include "host/text_drawing.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

#include "platform/utf8.h"

namespace {

const char* const FONT_FOLDERS[] = {"/usr/share/fonts/truetype/liberation/",
                                    "/usr/share/fonts/truetype/liberation2/"};

// Windows font names to the Liberation font of the same metrics.
std::string font_file(const std::string& face, bool bold) {
    std::string lower;
    for (char c : face) {
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    std::string family = "LiberationMono";
    if (lower == "arial" || lower == "tahoma" || lower == "ms sans serif" ||
        lower == "liberation sans") {
        family = "LiberationSans";
    } else if (lower == "times new roman" || lower == "liberation serif") {
        family = "LiberationSerif";
    }
    return family + (bold ? "-Bold.ttf" : "-Regular.ttf");
}

std::map<std::pair<std::string, int>, TTF_Font*> fonts;

TTF_Font* font_for(const TextStyle& style) {
    if (TTF_WasInit() == 0 && TTF_Init() != 0) {
        return nullptr;
    }
    std::string file = font_file(style.face, style.bold);
    auto key = std::make_pair(file, style.pixel_height);
    auto found = fonts.find(key);
    if (found != fonts.end()) {
        return found->second;
    }
    TTF_Font* font = nullptr;
    for (const char* folder : FONT_FOLDERS) {
        font = TTF_OpenFont((std::string(folder) + file).c_str(), style.pixel_height);
        if (font != nullptr) {
            break;
        }
    }
    if (font == nullptr) {
        fprintf(stderr, "skytune-host: no font %s (install fonts-liberation)\n", file.c_str());
    }
    fonts[key] = font;
    return font;
}

// The module's texts are 8-bit; file names here are usually UTF-8 already.
std::string as_utf8(const std::string& text) {
    if (plat::utf8_valid(text)) {
        return text;
    }
    std::string out;
    for (char c : text) {
        plat::utf8_append(&out, static_cast<unsigned char>(c));
    }
    return out;
}

}  // namespace

void measure_text(const std::string& text, const TextStyle& style, int* width, int* height) {
    *width = 0;
    *height = 0;
    TTF_Font* font = font_for(style);
    if (font == nullptr) {
        return;
    }
    if (text.empty() || TTF_SizeUTF8(font, as_utf8(text).c_str(), width, height) != 0) {
        *width = 0;
        *height = TTF_FontHeight(font);
    }
}

bool draw_text(Image& dst, int x, int y, int w, int h, const std::string& text,
               const TextStyle& style, uint32_t flags) {
    TTF_Font* font = font_for(style);
    if (font == nullptr) {
        return false;
    }
    if (text.empty()) {
        return true;
    }
    SDL_Color white = {255, 255, 255, 255};
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, as_utf8(text).c_str(), white);
    if (rendered == nullptr) {
        return true;
    }
    SDL_Surface* surface = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (surface == nullptr) {
        return true;
    }
    int left = x;
    if ((flags & TEXT_CENTER) != 0) {
        left = x + (w - surface->w) / 2;
    } else if ((flags & TEXT_RIGHT) != 0) {
        left = x + w - surface->w;
    }
    int top = y;
    if ((flags & TEXT_VCENTER) != 0) {
        top = y + (h - surface->h) / 2;
    } else if ((flags & TEXT_BOTTOM) != 0) {
        top = y + h - surface->h;
    }
    double r = ((style.colour >> 16) & 0xFF) * style.brightness;
    double g = ((style.colour >> 8) & 0xFF) * style.brightness;
    double b = (style.colour & 0xFF) * style.brightness;
    SDL_LockSurface(surface);
    for (int sy = 0; sy < surface->h; ++sy) {
        const auto* row = reinterpret_cast<const uint32_t*>(
            static_cast<const uint8_t*>(surface->pixels) + size_t(sy) * surface->pitch);
        for (int sx = 0; sx < surface->w; ++sx) {
            int fx = left + sx;
            int fy = top + sy;
            if (fx < x || fy < y || fx >= x + w || fy >= y + h || !dst.inside(fx, fy)) {
                continue;
            }
            double alpha = (row[sx] >> 24) / 255.0;
            if (alpha <= 0) {
                continue;
            }
            uint32_t under = dst.at(fx, fy);
            auto mix = [&](double top_value, int shift) {
                double below = (under >> shift) & 0xFF;
                return static_cast<uint32_t>(below + (top_value - below) * alpha + 0.5) << shift;
            };
            dst.at(fx, fy) = mix(r, 16) | mix(g, 8) | mix(b, 0);
        }
    }
    SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);
    return true;
}

void close_fonts() {
    for (auto& entry : fonts) {
        if (entry.second != nullptr) {
            TTF_CloseFont(entry.second);
        }
    }
    fonts.clear();
    if (TTF_WasInit() != 0) {
        TTF_Quit();
    }
}
