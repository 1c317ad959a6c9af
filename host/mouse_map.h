// The gauge's mouse rectangle list laid out on the face: nested areas whose
// boxes are relative to the enclosing area, their clickable boxes and their
// tooltips.
#pragma once

#include <string>
#include <vector>

#include "common/panel_records.h"

struct FaceBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool contains(int px, int py) const {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
};

struct MouseArea {
    FaceBox box;
    // The area's tooltip record, or null.
    const MOUSERECT* tooltip = nullptr;
};

struct ClickBox {
    FaceBox box;
    SINT32 cursor = CURSOR_NONE;
    FLAGS flags = 0;
    PMOUSE_FUNCTION handler = nullptr;
    // The innermost area it lies in (index into MouseMap::areas), or -1.
    int area = -1;
};

struct MouseMap {
    std::vector<MouseArea> areas;
    std::vector<ClickBox> boxes;

    // The list from its first record to the end record; origin is where the
    // gauge sits on the face. A list without an end stops after `limit`
    // records.
    static MouseMap from_list(const MOUSERECT* list, PIXPOINT origin = {0, 0}, size_t limit = 4096);

    // The clickable box under a point: the first in list order; null where
    // there is none.
    const ClickBox* box_at(int x, int y) const;
    // The tooltip shown at a point: that of the area whose clickable box is
    // under the pointer, so the tip names what a click does; elsewhere the
    // first area in list order that holds the point and has one.
    const MOUSERECT* tooltip_at(int x, int y) const;
};

// The tooltip record's text with %1!s! .. %9!s! replaced by what the string
// callbacks of its arguments return now. Null for no tooltip.
std::string tooltip_text(const MOUSERECT* tooltip);
