// Reads the gauge's records the way a panel host does: the element chain from
// the gauge header, the clickable box under a point, tooltip inserts.
#pragma once

#include <string>
#include <vector>

#include "gauge/panel_records.h"

// The elements in chain order, starting at the header's root element.
inline std::vector<ELEMENT_HEADER*> face_chain(const GAUGEHDR& header) {
    std::vector<ELEMENT_HEADER*> chain;
    for (ELEMENT_HEADER* element = header.elements_list[0]; element != nullptr;) {
        chain.push_back(element);
        element = element->next_element != nullptr ? element->next_element[0] : nullptr;
    }
    return chain;
}

// Puts every element's image flags back when a test ends, as pre-update and
// the show/hide calls change them in the module's static records.
class FaceFlagsKept {
  public:
    explicit FaceFlagsKept(const GAUGEHDR& header) : chain_(face_chain(header)) {
        for (ELEMENT_HEADER* element : chain_) {
            flags_.push_back(element->image_flags);
        }
    }
    ~FaceFlagsKept() {
        for (size_t i = 0; i < chain_.size(); ++i) {
            chain_[i]->image_flags = flags_[i];
        }
    }
    FaceFlagsKept(const FaceFlagsKept&) = delete;
    FaceFlagsKept& operator=(const FaceFlagsKept&) = delete;

    const std::vector<ELEMENT_HEADER*>& chain() const { return chain_; }
    // The flags as the test found them.
    const std::vector<FLAGS>& flags() const { return flags_; }

  private:
    std::vector<ELEMENT_HEADER*> chain_;
    std::vector<FLAGS> flags_;
};

struct Hit {
    const MOUSERECT* box = nullptr;      // the clickable box
    const MOUSERECT* tooltip = nullptr;  // the tooltip of the area it lies in
};

// Every clickable box under (x, y), in list order; boxes are relative to the
// area that encloses them.
inline std::vector<Hit> hits_at(const MOUSERECT* list, int x, int y) {
    std::vector<Hit> hits;
    std::vector<PIXPOINT> origins{{0, 0}};
    std::vector<const MOUSERECT*> tooltips{nullptr};
    for (const MOUSERECT* rect = list; rect->rect_type != MOUSE_RECT_EOL; ++rect) {
        const PIXPOINT& origin = origins.back();
        const PIXBOX& box = rect->relative_box;
        if (rect->rect_type == MOUSE_RECT_PARENT) {
            origins.push_back({origin.x + box.x, origin.y + box.y});
            tooltips.push_back(nullptr);
        } else if (rect->rect_type == MOUSE_RECT_END_PARENT) {
            origins.pop_back();
            tooltips.pop_back();
        } else if (rect->rect_type == MOUSE_RECT_TOOLTIP_TEXT) {
            tooltips.back() = rect;
        } else if (rect->rect_type == MOUSE_RECT_CHILD) {
            int left = origin.x + box.x;
            int top = origin.y + box.y;
            if (x >= left && x < left + box.size_x && y >= top && y < top + box.size_y) {
                hits.push_back({rect, tooltips.back()});
            }
        }
    }
    return hits;
}

// The tooltip text with each %N!s! replaced by argument N's string.
inline std::string tooltip_text(const MOUSERECT& tooltip, GAUGEHDR* gauge) {
    std::string text = reinterpret_cast<const char*>(tooltip.mouse_function);
    auto* args = static_cast<MOUSE_ARG*>(tooltip.api_data);
    std::string shown;
    for (size_t i = 0; i < text.size(); ++i) {
        bool insert = text[i] == '%' && i + 5 <= text.size() && text[i + 1] >= '1' &&
                      text[i + 1] <= '9' && text.compare(i + 2, 3, "!s!") == 0;
        UINT32 number = insert ? static_cast<UINT32>(text[i + 1] - '0') : 0;
        if (insert && args != nullptr && number <= tooltip.event_id) {
            shown += args[number - 1].string_callback(0, 0, nullptr, nullptr, gauge);
            i += 4;
        } else {
            shown += text[i];
        }
    }
    return shown;
}
