// The host's window: the face scaled up, the mouse and keys on it, the
// area's cursor, and message boxes as dialogs.
#pragma once

#include <string>

#include "host/image.h"
#include "host/panel.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;

class Window {
  public:
    Window() = default;
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    bool open(int scale, std::string* error);
    void present(const Image& picture);
    // Passes the person's mouse and keys to the panel (with_input), or only
    // keeps the window alive; false once the window is closed.
    bool handle_events(Panel& panel, bool with_input);
    void show_cursor(SINT32 cursor);
    // What the window shows now, at its own size.
    Image read_back();
    // A message box over the window; the button pressed (IDOK).
    int message_box(const char* text, const char* caption, unsigned type);

  private:
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    SDL_Cursor* cursors_[4] = {nullptr, nullptr, nullptr, nullptr};
    SDL_Cursor* shown_ = nullptr;
    int scale_ = 1;
};
