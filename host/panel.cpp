// The panel's updates, mouse and tooltips.
#include "host/panel.h"

#include <algorithm>

#include "host/call_timing.h"
#include "host/text_drawing.h"

namespace {

std::string mouse_event_name(FLAGS flags) {
    switch (flags) {
        case MOUSE_LEFTSINGLE:
            return "left";
        case MOUSE_RIGHTSINGLE:
            return "right";
        case MOUSE_DOWN_REPEAT:
            return "repeat";
        default:
            return std::to_string(flags);
    }
}

}  // namespace

Panel::Panel(GaugeModule& gauge) : gauge_(gauge), face_(FACE_WIDTH, FACE_HEIGHT) {
    reread_mouse_areas();
}

void Panel::reread_mouse_areas() {
    held_ = nullptr;
    GAUGEHDR* header = gauge_.header();
    map_ = MouseMap::from_list(header != nullptr ? header->mouse_rect : nullptr);
}

void Panel::update() {
    std::fill(face_.pixels.begin(), face_.pixels.end(), 0);
    gauge_.update(face_, lights_);
    if (held_ != nullptr) {
        ++held_updates_;
        if ((held_->flags & MOUSE_DOWN_REPEAT) != 0 && held_updates_ >= REPEAT_DELAY_UPDATES &&
            (held_updates_ - REPEAT_DELAY_UPDATES) % REPEAT_EVERY_UPDATES == 0) {
            call(*held_, MOUSE_DOWN_REPEAT);
        }
    } else if (on_face_ && !tooltip_shown_ && ++rest_updates_ >= TOOLTIP_REST_UPDATES) {
        show_tooltip();
    }
}

void Panel::move(int x, int y) {
    if (x < 0 || y < 0 || x >= FACE_WIDTH || y >= FACE_HEIGHT) {
        leave();
        return;
    }
    if (on_face_ && x == x_ && y == y_) {
        return;
    }
    on_face_ = true;
    x_ = x;
    y_ = y;
    rest_updates_ = 0;
    tooltip_shown_ = false;
}

void Panel::leave() {
    on_face_ = false;
    rest_updates_ = 0;
    tooltip_shown_ = false;
}

void Panel::press(bool right) {
    tooltip_shown_ = false;
    rest_updates_ = 0;
    if (!on_face_ || !gauge_.installed()) {
        return;
    }
    const ClickBox* box = map_.box_at(x_, y_);
    if (box == nullptr) {
        return;
    }
    FLAGS event = right ? MOUSE_RIGHTSINGLE : MOUSE_LEFTSINGLE;
    if (!right) {
        held_ = box;
        held_updates_ = 0;
    }
    if ((box->flags & event) != 0) {
        call(*box, event);
    }
}

void Panel::release() {
    held_ = nullptr;
    held_updates_ = 0;
    rest_updates_ = 0;
}

void Panel::call(const ClickBox& box, FLAGS flags) {
    if (box.handler == nullptr) {
        return;
    }
    PIXPOINT point = {x_ - box.box.x, y_ - box.box.y};
    TimedCall timed("mouse", call_timing_on() ? mouse_event_name(flags) + " at " +
                                                    std::to_string(x_) + "," + std::to_string(y_)
                                              : std::string());
    box.handler(&point, flags);
}

std::string Panel::show_tooltip() {
    tooltip_text_.clear();
    tooltip_shown_ = false;
    if (!on_face_ || !gauge_.installed()) {
        return tooltip_text_;
    }
    const MOUSERECT* record = map_.tooltip_at(x_, y_);
    if (record != nullptr) {
        tooltip_text_ = tooltip_text(record);
        tooltip_shown_ = true;
    }
    return tooltip_text_;
}

SINT32 Panel::cursor() const {
    if (!on_face_) {
        return CURSOR_NONE;
    }
    const ClickBox* box = map_.box_at(x_, y_);
    return box != nullptr ? box->cursor : CURSOR_NONE;
}

Image Panel::picture() const {
    Image picture = face_;
    if (tooltip_shown_ && !tooltip_text_.empty()) {
        draw_tooltip(picture, x_, y_, tooltip_text_);
    }
    return picture;
}

void draw_tooltip(Image& face, int x, int y, const std::string& text) {
    TextStyle style;
    style.face = "Arial";
    style.pixel_height = 12;
    style.colour = 0x000000;
    int text_w = 0;
    int text_h = 0;
    measure_text(text, style, &text_w, &text_h);
    int w = text_w + 8;
    int h = text_h + 4;
    // Below and to the right of the pointer, else above it; on the face.
    int left = std::clamp(x + 4, 0, std::max(0, face.width - w));
    int top = y + 20;
    if (top + h > face.height) {
        top = std::max(0, y - h - 4);
    }
    fill_rect(face, left, top, w, h, 0x000000);
    fill_rect(face, left + 1, top + 1, w - 2, h - 2, 0xFFFFE1);
    draw_text(face, left + 4, top + 2, text_w, text_h, text, style, 0);
}
