// The mouse rectangle list: one area over each front-panel control, with the
// cursor, the clicks it takes, its handler and its tooltip.
#include "gauge/mouse_areas.h"

#include "core/controls.h"
#include "gauge/tooltips.h"

namespace {

constexpr FLAGS LEFT_CLICK = MOUSE_LEFTSINGLE;
// Presets also take a right click, which assigns a file.
constexpr FLAGS LEFT_OR_RIGHT_CLICK = MOUSE_LEFTSINGLE | MOUSE_RIGHTSINGLE;
// Volume keys step again and again while held.
constexpr FLAGS LEFT_CLICK_REPEAT = MOUSE_LEFTSINGLE | MOUSE_DOWN_REPEAT;

MOUSERECT record(ENUM kind, PIXBOX box, SINT32 cursor, FLAGS flags, ID event_id,
                 PMOUSE_FUNCTION handler, void* data) {
    return MOUSERECT{kind, box, cursor, 0, flags, event_id, handler, data};
}

// An area's box is relative to the area that encloses it.
MOUSERECT area_start(SINT32 x, SINT32 y, SINT32 width, SINT32 height) {
    return record(MOUSE_RECT_PARENT, {x, y, width, height}, CURSOR_NONE, 0, 0, nullptr, nullptr);
}

MOUSERECT area_end() {
    return record(MOUSE_RECT_END_PARENT, {0, 0, 0, 0}, CURSOR_NONE, 0, 0, nullptr, nullptr);
}

// The clickable box starts at its area's corner.
MOUSERECT clickable(SINT32 width, SINT32 height, SINT32 cursor, FLAGS flags,
                    PMOUSE_FUNCTION handler) {
    return record(MOUSE_RECT_CHILD, {0, 0, width, height}, cursor, flags, 0, handler, nullptr);
}

// The host's tooltip record keeps the text where a handler would be.
MOUSERECT tooltip(const char* text) {
    return record(MOUSE_RECT_TOOLTIP_TEXT, {0, 0, 0, 0}, CURSOR_NONE, 0, 0,
                  reinterpret_cast<PMOUSE_FUNCTION>(const_cast<char*>(text)), nullptr);
}

MOUSERECT tooltip_with_inserts(const char* text) {
    MOUSERECT rect = tooltip(text);
    rect.event_id = TOOLTIP_ARGS;
    rect.api_data = tooltip_args;
    return rect;
}

MOUSERECT list_end() {
    return record(MOUSE_RECT_EOL, {0, 0, 0, 0}, CURSOR_NONE, 0, 0, nullptr, nullptr);
}

}  // namespace

// The bottom row's click boxes tile it without overlap: the preset boxes are
// narrowed where their areas reach into the next one, and x = 144 is no box.
MOUSERECT mouse_areas[MOUSE_AREA_RECORDS] = {
    area_start(0, 0, 0, 0),

    area_start(410, 0, 66, 46),
    tooltip_with_inserts(tip_text_power),
    clickable(66, 46, CURSOR_HAND, LEFT_CLICK, on_power),
    area_end(),

    area_start(0, 0, 63, 48),
    tooltip(tip_text_door),
    clickable(63, 48, CURSOR_HAND, LEFT_CLICK, on_door),
    area_end(),

    area_start(408, 48, 68, 23),
    tooltip(tip_text_mode_cd),
    clickable(68, 23, CURSOR_HAND, LEFT_CLICK, on_mode_cd),
    area_end(),

    area_start(408, 71, 68, 23),
    tooltip(tip_text_mode_fm),
    clickable(68, 23, CURSOR_HAND, LEFT_CLICK, on_mode_fm),
    area_end(),

    area_start(408, 94, 68, 23),
    tooltip(tip_text_mode_am),
    clickable(68, 23, CURSOR_HAND, LEFT_CLICK, on_mode_am),
    area_end(),

    area_start(145, 100, 36, 47),
    tooltip_with_inserts(tip_text_preset[0]),
    clickable(36, 47, CURSOR_HAND, LEFT_OR_RIGHT_CLICK, on_preset<1>),
    area_end(),

    area_start(181, 100, 36, 47),
    tooltip_with_inserts(tip_text_preset[1]),
    clickable(34, 47, CURSOR_HAND, LEFT_OR_RIGHT_CLICK, on_preset<2>),
    area_end(),

    area_start(215, 100, 36, 47),
    tooltip_with_inserts(tip_text_preset[2]),
    clickable(34, 47, CURSOR_HAND, LEFT_OR_RIGHT_CLICK, on_preset<3>),
    area_end(),

    area_start(249, 100, 36, 47),
    tooltip_with_inserts(tip_text_preset[3]),
    clickable(32, 47, CURSOR_HAND, LEFT_OR_RIGHT_CLICK, on_preset<4>),
    area_end(),

    area_start(281, 100, 36, 47),
    tooltip_with_inserts(tip_text_preset[4]),
    clickable(35, 47, CURSOR_HAND, LEFT_OR_RIGHT_CLICK, on_preset<5>),
    area_end(),

    area_start(316, 100, 36, 47),
    tooltip_with_inserts(tip_text_preset[5]),
    clickable(36, 47, CURSOR_HAND, LEFT_OR_RIGHT_CLICK, on_preset<6>),
    area_end(),

    area_start(0, 85, 51, 34),
    tooltip(tip_text_volume_down),
    clickable(51, 34, CURSOR_DOWNARROW, LEFT_CLICK_REPEAT, on_volume_down),
    area_end(),

    area_start(0, 51, 51, 33),
    tooltip(tip_text_volume_up),
    clickable(51, 33, CURSOR_UPARROW, LEFT_CLICK_REPEAT, on_volume_up),
    area_end(),

    area_start(352, 100, 24, 47),
    tooltip(tip_text_prev_track),
    clickable(24, 47, CURSOR_DOWNARROW, LEFT_CLICK, on_prev_track),
    area_end(),

    area_start(376, 100, 24, 47),
    tooltip(tip_text_next_track),
    clickable(24, 47, CURSOR_UPARROW, LEFT_CLICK, on_next_track),
    area_end(),

    area_start(120, 100, 24, 47),
    tooltip_with_inserts(tip_text_pause),
    clickable(24, 47, CURSOR_HAND, LEFT_CLICK, on_pause),
    area_end(),

    area_end(),
    list_end(),
};
