// Laying out the mouse rectangle list and reading tooltips.
#include "host/mouse_map.h"

#include <cstdint>
#include <cstring>

#include "host/call_timing.h"

MouseMap MouseMap::from_list(const MOUSERECT* list, PIXPOINT origin, size_t limit) {
    MouseMap map;
    if (list == nullptr) {
        return map;
    }
    // Open areas, innermost last; the gauge itself is the outermost origin.
    std::vector<int> open;
    auto origin_now = [&]() {
        if (open.empty()) {
            return FaceBox{origin.x, origin.y, 0, 0};
        }
        return map.areas[size_t(open.back())].box;
    };
    for (size_t i = 0; i < limit && list[i].rect_type != MOUSE_RECT_EOL; ++i) {
        const MOUSERECT& rect = list[i];
        FaceBox base = origin_now();
        FaceBox box{base.x + rect.relative_box.x, base.y + rect.relative_box.y,
                    rect.relative_box.size_x, rect.relative_box.size_y};
        switch (rect.rect_type) {
            case MOUSE_RECT_PARENT:
                map.areas.push_back(MouseArea{box, nullptr});
                open.push_back(int(map.areas.size()) - 1);
                break;
            case MOUSE_RECT_CHILD:
                map.boxes.push_back(ClickBox{box, rect.cursor, rect.mouse_flags,
                                             rect.mouse_function, open.empty() ? -1 : open.back()});
                break;
            case MOUSE_RECT_END_PARENT:
                if (!open.empty()) {
                    open.pop_back();
                }
                break;
            case MOUSE_RECT_TOOLTIP_TEXT:
                if (!open.empty()) {
                    map.areas[size_t(open.back())].tooltip = &rect;
                }
                break;
            default:
                break;
        }
    }
    return map;
}

const ClickBox* MouseMap::box_at(int x, int y) const {
    for (const ClickBox& box : boxes) {
        if (box.box.contains(x, y)) {
            return &box;
        }
    }
    return nullptr;
}

const MOUSERECT* MouseMap::tooltip_at(int x, int y) const {
    const ClickBox* box = box_at(x, y);
    if (box != nullptr && box->area >= 0 && areas[size_t(box->area)].tooltip != nullptr) {
        return areas[size_t(box->area)].tooltip;
    }
    for (const MouseArea& area : areas) {
        if (area.tooltip != nullptr && area.box.contains(x, y)) {
            return area.tooltip;
        }
    }
    return nullptr;
}

std::string tooltip_text(const MOUSERECT* tooltip) {
    if (tooltip == nullptr) {
        return "";
    }
    // The record keeps its text in the handler field and its arguments in
    // the extra data word; the event id is the number of arguments.
    const char* text =
        reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(tooltip->mouse_function));
    const auto* args = static_cast<const MOUSE_ARG*>(tooltip->api_data);
    UINT32 count = args != nullptr ? tooltip->event_id : 0;
    if (text == nullptr) {
        return "";
    }
    std::string result;
    for (const char* c = text; *c != '\0';) {
        bool insert = c[0] == '%' && c[1] >= '1' && c[1] <= '9' && strncmp(c + 2, "!s!", 3) == 0;
        if (!insert) {
            result += *c++;
            continue;
        }
        UINT32 number = UINT32(c[1] - '0');
        if (number <= count && args[number - 1].string_callback != nullptr) {
            const MOUSE_ARG& arg = args[number - 1];
            TimedCall timed("tooltip", call_timing_on() ? "%" + std::to_string(number) + " of \"" +
                                                              std::string(text) + "\""
                                                        : std::string());
            const char* value = arg.string_callback(
                0.0, 0, nullptr, const_cast<MODULE_VAR*>(&arg.source_var), nullptr);
            result += value != nullptr ? value : "";
        }
        c += 5;
    }
    return result;
}
