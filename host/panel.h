// The panel as the person meets it: the face redrawn at each update, the
// mouse on the face's areas, tooltips after a rest, the panel lights.
#pragma once

#include <string>

#include "host/gauge_module.h"
#include "host/image.h"
#include "host/mouse_map.h"

constexpr int FACE_WIDTH = 476;
constexpr int FACE_HEIGHT = 147;
constexpr int UPDATES_PER_SECOND = 18;
// A held button repeats first after a third of a second, then nine times a
// second.
constexpr int REPEAT_DELAY_UPDATES = 6;
constexpr int REPEAT_EVERY_UPDATES = 2;
// The mouse rests half a second before its tooltip shows.
constexpr int TOOLTIP_REST_UPDATES = 9;

class Panel {
  public:
    explicit Panel(GaugeModule& gauge);

    // One host update: pre-update, callbacks, drawing, messages; then the
    // held button's repeat and the resting mouse's tooltip.
    void update();

    // The pointer at face pixel (x, y); off the face when outside it.
    void move(int x, int y);
    void leave();
    // A press of the left or right button where the pointer is: the box
    // there gets its handler called when it takes that click.
    void press(bool right);
    void release();

    // The tooltip text of the area under the pointer, asked of the gauge now
    // and shown on the face until the mouse moves or clicks; empty where the
    // pointer has none.
    std::string show_tooltip();
    bool tooltip_shown() const { return tooltip_shown_; }
    const std::string& tooltip() const { return tooltip_text_; }

    // The cursor the box under the pointer asks for.
    SINT32 cursor() const;

    void set_lights(bool on) { lights_ = on; }
    bool lights() const { return lights_; }

    // The face as last drawn, with the tooltip box over it when one shows.
    Image picture() const;
    const Image& face() const { return face_; }

    // After a reinstall the gauge's records may name other areas.
    void reread_mouse_areas();

  private:
    void call(const ClickBox& box, FLAGS flags);

    GaugeModule& gauge_;
    MouseMap map_;
    Image face_;
    bool lights_ = false;
    bool on_face_ = false;
    int x_ = 0;
    int y_ = 0;
    const ClickBox* held_ = nullptr;
    int held_updates_ = 0;
    int rest_updates_ = 0;
    bool tooltip_shown_ = false;
    std::string tooltip_text_;
};

// Draws a tooltip box with text near the pointer at (x, y), kept on the face.
void draw_tooltip(Image& face, int x, int y, const std::string& text);
