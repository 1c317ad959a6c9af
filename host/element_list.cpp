// Element lists: loading, callbacks and drawing.
#include "host/element_list.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "host/call_timing.h"
#include "host/module_resources.h"
#include "host/needle_angle.h"
#include "host/symbol_names.h"
#include "host/text_drawing.h"

namespace {

constexpr uint16_t RT_BITMAP_TYPE = 2;
constexpr ID NO_RESOURCE = 0xFFFFFFFF;

Image load_bitmap(void* module, ID id) {
    if (id == NO_RESOURCE || id > 0xFFFF) {
        return Image();
    }
    auto found = find_resource(module, RT_BITMAP_TYPE, static_cast<uint16_t>(id));
    return found ? decode_bitmap(found->data, found->size) : Image();
}

const char* kind_name(ENUM kind) {
    switch (kind) {
        case ELEMENT_TYPE_STATIC_IMAGE:
            return "static";
        case ELEMENT_TYPE_NEEDLE:
            return "needle";
        case ELEMENT_TYPE_STRING:
            return "string";
        case ELEMENT_TYPE_SLIDER:
            return "slider";
        case ELEMENT_TYPE_ICON:
            return "icon";
        case ELEMENT_TYPE_MOVING_IMAGE:
            return "moving";
        case ELEMENT_TYPE_SPRITE:
            return "sprite";
        default:
            return "element";
    }
}

// The string element's letters fill its box: Courier New's advance is 0.6 of
// its height.
int text_height_for(const ELEMENT_STRING& string) {
    if (string.char_height > 0) {
        return string.char_height;
    }
    int chars = std::max<int>(1, string.max_string_length);
    double by_height = string.img_size.y * 0.8;
    double by_width = string.img_size.x / (chars * 0.6);
    int height = int(std::min(by_height, by_width));
    return height > 4 ? height : 12;
}

// An element's update callback, whose value picks its image or direction.
template <typename Element>
void call_update(ElementState& state) {
    auto* element = reinterpret_cast<Element*>(state.element);
    if (element->update_cb != nullptr) {
        TimedCall timed("callback", state.name);
        state.value = element->update_cb(element);
    }
}

void plot_string(Image& face, const ElementState& state, DrawStyle style) {
    const auto& string = *reinterpret_cast<const ELEMENT_STRING*>(state.element);
    const ELEMENT_HEADER& header = string.header;
    int x = header.position.x;
    int y = header.position.y;
    int w = string.img_size.x;
    int h = string.img_size.y;
    if (!style.transparent) {
        fill_rect(face, x, y, w, h, from_colorref(string.bg_color));
    }
    if (state.text.empty()) {
        return;
    }
    TextStyle text;
    text.face = std::string(string.font_name, strnlen(string.font_name, sizeof string.font_name));
    text.bold = string.font_weight >= 600;
    text.pixel_height = text_height_for(string);
    text.colour = from_colorref(string.fg_color);
    text.brightness = style.brightness;
    std::string letters(state.text.data(), strnlen(state.text.data(), state.text.size()));
    draw_text(face, x, y, w, h, letters, text, string.draw_text_flags);
}

}  // namespace

std::vector<ELEMENT_HEADER*> chain_of(ELEMENT_HEADER* root, size_t limit) {
    std::vector<ELEMENT_HEADER*> order;
    std::set<ELEMENT_HEADER*> seen;
    std::vector<ELEMENT_HEADER*> pending;
    if (root != nullptr) {
        pending.push_back(root);
    }
    while (!pending.empty() && order.size() < limit) {
        ELEMENT_HEADER* element = pending.back();
        pending.pop_back();
        if (!seen.insert(element).second) {
            continue;
        }
        order.push_back(element);
        if (element->next_element == nullptr) {
            continue;
        }
        // Pushed in reverse, so the list's first element comes next.
        std::vector<ELEMENT_HEADER*> next;
        for (size_t i = 0; i < limit && element->next_element[i] != nullptr; ++i) {
            next.push_back(element->next_element[i]);
        }
        pending.insert(pending.end(), next.rbegin(), next.rend());
    }
    return order;
}

std::string element_name(const ELEMENT_HEADER* element) {
    std::string name = data_symbol_name(element);
    if (!name.empty()) {
        return name;
    }
    return std::string(kind_name(element->element_type)) + "_" +
           std::to_string(element->resource_id);
}

void ElementList::install(ELEMENT_HEADER* root, void* module) {
    kill();
    root_ = root;
    for (ELEMENT_HEADER* element : chain_of(root)) {
        ElementState state;
        state.element = element;
        state.name = element_name(element);
        if (element->element_type == ELEMENT_TYPE_ICON) {
            auto* icon = reinterpret_cast<ELEMENT_ICON*>(element);
            UINT32 count = std::clamp<UINT32>(icon->num_icons, 1, 256);
            for (UINT32 k = 0; k < count; ++k) {
                state.images.push_back(load_bitmap(module, element->resource_id + k));
            }
        } else if (element->element_type == ELEMENT_TYPE_STRING) {
            auto* string = reinterpret_cast<ELEMENT_STRING*>(element);
            state.text.assign(size_t(string->max_string_length) + 1, '\0');
        } else {
            state.images.push_back(load_bitmap(module, element->resource_id));
        }
        elements_.push_back(std::move(state));
    }
    // The buffers stay where they are from here on: hand them over.
    for (ElementState& state : elements_) {
        if (state.element->element_type == ELEMENT_TYPE_STRING) {
            reinterpret_cast<ELEMENT_STRING*>(state.element)->string = state.text.data();
        }
    }
}

void ElementList::update() {
    for (ElementState& state : elements_) {
        switch (state.element->element_type) {
            case ELEMENT_TYPE_NEEDLE:
                call_update<ELEMENT_NEEDLE>(state);
                break;
            case ELEMENT_TYPE_ICON:
                call_update<ELEMENT_ICON>(state);
                break;
            case ELEMENT_TYPE_STRING:
                call_update<ELEMENT_STRING>(state);
                // Whatever the callback wrote, the text ends in the buffer.
                state.text.back() = '\0';
                break;
            default:
                break;
        }
    }
}

void ElementList::plot(Image& face, bool night) const {
    for (const ElementState& state : elements_) {
        const ELEMENT_HEADER& header = *state.element;
        FLAGS flags = header.image_flags;
        if ((flags & IMAGE_HIDDEN) != 0) {
            continue;
        }
        DrawStyle style;
        style.transparent = (flags & IMAGE_USE_TRANSPARENCY) != 0;
        if (night && (flags & (IMAGE_USE_BRIGHT | IMAGE_USE_LUMINOUS)) == 0) {
            style.brightness = NIGHT_DIMMING;
        }
        int x = header.position.x - header.ofs.x;
        int y = header.position.y - header.ofs.y;
        switch (header.element_type) {
            case ELEMENT_TYPE_ICON: {
                // Values past either end show the image at that end.
                double value = std::isnan(state.value) ? 0 : state.value;
                double last = double(state.images.size() - 1);
                size_t index = size_t(std::clamp(std::round(value), 0.0, last));
                blit(face, state.images[index], x, y, style);
                break;
            }
            case ELEMENT_TYPE_NEEDLE: {
                const auto& needle = reinterpret_cast<const ELEMENT_NEEDLE&>(header);
                double angle =
                    needle_angle(needle.nonlinearity_table, needle.nonlinearity_table_size,
                                 header.position, state.value);
                blit_rotated(face, state.images[0], header.ofs.x, header.ofs.y, header.position.x,
                             header.position.y, angle, style);
                break;
            }
            case ELEMENT_TYPE_STRING:
                plot_string(face, state, style);
                break;
            default:
                blit(face, state.images[0], x, y, style);
                break;
        }
    }
}

bool ElementList::plot_canvas() const {
    if (canvas_ == nullptr) {
        return false;
    }
    plot(*canvas_, night_);
    return true;
}

void ElementList::kill() {
    for (ElementState& state : elements_) {
        if (state.element->element_type == ELEMENT_TYPE_STRING) {
            reinterpret_cast<ELEMENT_STRING*>(state.element)->string = nullptr;
        }
    }
    elements_.clear();
    root_ = nullptr;
}
