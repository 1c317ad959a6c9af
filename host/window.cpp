// The SDL window.
#include "host/window.h"

#include <SDL.h>

#include <vector>

namespace {

enum CursorSlot { ARROW, HAND, UP, DOWN };

// SDL has no up or down arrow among its cursors: draw them, 15 x 21, black
// with a white rim, the tip as the hot spot.
SDL_Cursor* arrow_cursor(bool up) {
    const int w = 15;
    const int h = 21;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) {
        return nullptr;
    }
    auto inside = [&](int x, int y) {
        int row = up ? y : h - 1 - y;
        int centre = w / 2;
        if (row < 8) {
            return x >= centre - row && x <= centre + row;
        }
        return x >= centre - 2 && x <= centre + 2;
    };
    SDL_LockSurface(surface);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                                size_t(y) * surface->pitch);
        for (int x = 0; x < w; ++x) {
            bool in = inside(x, y);
            bool rim = !in && ((x > 0 && inside(x - 1, y)) || (x + 1 < w && inside(x + 1, y)) ||
                               (y > 0 && inside(x, y - 1)) || (y + 1 < h && inside(x, y + 1)));
            row[x] = in ? 0xFF000000 : rim ? 0xFFFFFFFF : 0x00000000;
        }
    }
    SDL_UnlockSurface(surface);
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, w / 2, up ? 0 : h - 1);
    SDL_FreeSurface(surface);
    return cursor;
}

}  // namespace

Window::~Window() {
    for (SDL_Cursor*& cursor : cursors_) {
        if (cursor != nullptr) {
            SDL_FreeCursor(cursor);
        }
    }
    if (texture_ != nullptr) {
        SDL_DestroyTexture(texture_);
    }
    if (renderer_ != nullptr) {
        SDL_DestroyRenderer(renderer_);
    }
    // The video subsystem stays up until the process ends: shutting it down
    // unloads the X libraries, whose own lasting allocations would then look
    // like the host's leaks.
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
    }
}

bool Window::open(int scale, std::string* error) {
    scale_ = scale;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        *error = SDL_GetError();
        return false;
    }
    window_ = SDL_CreateWindow("SkyTune", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               FACE_WIDTH * scale, FACE_HEIGHT * scale, 0);
    if (window_ == nullptr) {
        *error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    // Face pixels become square blocks: no smoothing between them.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    // A small face needs no graphics driver: the software renderer is
    // there on every display.
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) {
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
    }
    if (renderer_ == nullptr) {
        *error = SDL_GetError();
        return false;
    }
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 FACE_WIDTH, FACE_HEIGHT);
    if (texture_ == nullptr) {
        *error = SDL_GetError();
        return false;
    }
    cursors_[ARROW] = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    cursors_[HAND] = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
    cursors_[UP] = arrow_cursor(true);
    cursors_[DOWN] = arrow_cursor(false);
    return true;
}

void Window::present(const Image& picture) {
    if (picture.width == FACE_WIDTH && picture.height == FACE_HEIGHT) {
        SDL_UpdateTexture(texture_, nullptr, picture.pixels.data(), FACE_WIDTH * 4);
    }
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

Image Window::read_back() {
    int w = 0;
    int h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    Image image(w, h);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGB888, image.pixels.data(),
                             w * 4) != 0) {
        return Image();
    }
    SDL_RenderPresent(renderer_);
    for (uint32_t& pixel : image.pixels) {
        pixel &= 0xFFFFFF;
    }
    return image;
}

void Window::show_cursor(SINT32 cursor) {
    SDL_Cursor* wanted = cursors_[ARROW];
    if (cursor == CURSOR_HAND) {
        wanted = cursors_[HAND];
    } else if (cursor == CURSOR_UPARROW) {
        wanted = cursors_[UP];
    } else if (cursor == CURSOR_DOWNARROW) {
        wanted = cursors_[DOWN];
    }
    if (wanted != nullptr && wanted != shown_) {
        SDL_SetCursor(wanted);
        shown_ = wanted;
    }
}

bool Window::handle_events(Panel& panel, bool with_input) {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_QUIT) {
            return false;
        }
        if (!with_input) {
            continue;
        }
        switch (event.type) {
            case SDL_MOUSEMOTION:
                panel.move(event.motion.x / scale_, event.motion.y / scale_);
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (event.button.button == SDL_BUTTON_LEFT ||
                    event.button.button == SDL_BUTTON_RIGHT) {
                    panel.move(event.button.x / scale_, event.button.y / scale_);
                    // A right click may open the file chooser: modal, so
                    // nothing updates until it is answered.
                    panel.press(event.button.button == SDL_BUTTON_RIGHT);
                }
                break;
            case SDL_MOUSEBUTTONUP:
                if (event.button.button == SDL_BUTTON_LEFT) {
                    panel.release();
                }
                break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_LEAVE) {
                    panel.leave();
                }
                break;
            case SDL_KEYDOWN:
                if (event.key.keysym.sym == SDLK_l && event.key.repeat == 0) {
                    panel.set_lights(!panel.lights());
                }
                break;
            default:
                break;
        }
    }
    return true;
}

int Window::message_box(const char* text, const char* caption, unsigned type) {
    Uint32 flags = (type & 0x10) != 0 ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    SDL_ShowSimpleMessageBox(flags, caption != nullptr ? caption : "Error",
                             text != nullptr ? text : "", window_);
    return 1;
}
