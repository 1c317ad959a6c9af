#include "tests/windows/panel_driver.h"

#include <cstring>
#include <list>

HMODULE panel_module;
GAUGESLINKAGE* panel_linkage;
IMPORT_TABLE* panel_imports;
GAUGEHDR* panel_gauge;
std::vector<ServiceCall> service_calls;
std::vector<ShownMessage> shown_messages;

namespace {

PANELS services;
HHOOK box_hook;
std::list<std::string> string_buffers;

SINT32 record(int slot, ELEMENT_HEADER* element, UINT_PTR argument) {
    service_calls.push_back({slot, element, argument});
    // A result the module cannot make up: it must hand it back unchanged.
    return 1000 + slot;
}

SINT32 FSAPI on_query(ELEMENT_HEADER* e) {
    return record(PANEL_SLOT_ELEMENT_LIST_QUERY, e, 0);
}
SINT32 FSAPI on_install(ELEMENT_HEADER* e, UINT_PTR resource) {
    return record(PANEL_SLOT_ELEMENT_LIST_INSTALL, e, resource);
}
SINT32 FSAPI on_initialize(ELEMENT_HEADER* e) {
    return record(PANEL_SLOT_ELEMENT_LIST_INITIALIZE, e, 0);
}
SINT32 FSAPI on_update(ELEMENT_HEADER* e) {
    return record(PANEL_SLOT_ELEMENT_LIST_UPDATE, e, 0);
}
SINT32 FSAPI on_generate(ELEMENT_HEADER* e, UINT32 phase) {
    return record(PANEL_SLOT_ELEMENT_LIST_GENERATE, e, phase);
}
SINT32 FSAPI on_plot(ELEMENT_HEADER* e) {
    return record(PANEL_SLOT_ELEMENT_LIST_PLOT, e, 0);
}
SINT32 FSAPI on_erase(ELEMENT_HEADER* e) {
    return record(PANEL_SLOT_ELEMENT_LIST_ERASE, e, 0);
}
SINT32 FSAPI on_kill(ELEMENT_HEADER* e) {
    return record(PANEL_SLOT_ELEMENT_LIST_KILL, e, 0);
}

// The message box is the first dialog activated after it is made; later
// activations (its owner getting focus back) are not boxes.
LRESULT CALLBACK box_watch(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wparam);
        char window_class[64] = "";
        GetClassNameA(box, window_class, sizeof window_class);
        if (strcmp(window_class, "#32770") == 0) {
            char caption[256] = "";
            char text[512] = "";
            GetWindowTextA(box, caption, sizeof caption);
            // The box's text is its static control 0xFFFF.
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            shown_messages.push_back({caption, text});
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(box_hook, code, wparam, lparam);
}

void walk(ELEMENT_HEADER* element, int depth, std::string& text) {
    if (element == nullptr || depth > 64) {
        return;
    }
    switch (element->element_type) {
        case ELEMENT_TYPE_NEEDLE: {
            auto* needle = reinterpret_cast<ELEMENT_NEEDLE*>(element);
            if (needle->update_cb) needle->update_cb(needle);
            break;
        }
        case ELEMENT_TYPE_STRING: {
            auto* string = reinterpret_cast<ELEMENT_STRING*>(element);
            // The host owns the text buffer, sized by the element's length.
            if (!string->string) {
                string_buffers.emplace_back(string->max_string_length + 1u, '\0');
                string->string = &string_buffers.back()[0];
            }
            if (string->update_cb) string->update_cb(string);
            if (string->string) text = string->string;
            break;
        }
        case ELEMENT_TYPE_ICON: {
            auto* icon = reinterpret_cast<ELEMENT_ICON*>(element);
            if (icon->update_cb) icon->update_cb(icon);
            break;
        }
        default:
            break;
    }
    if (element->next_element) {
        for (ELEMENT_HEADER** next = element->next_element; *next; ++next) {
            walk(*next, depth + 1, text);
        }
    }
}

}  // namespace

bool panel_load(const std::string& path) {
    panel_module = LoadLibraryA(path.c_str());
    if (!panel_module) {
        return false;
    }
    panel_linkage = reinterpret_cast<GAUGESLINKAGE*>(GetProcAddress(panel_module, "Linkage"));
    panel_imports = reinterpret_cast<IMPORT_TABLE*>(GetProcAddress(panel_module, "ImportTable"));
    if (!panel_linkage || !panel_imports) {
        return false;
    }
    panel_gauge = panel_linkage->gauge_header_ptr[0];
    return panel_gauge != nullptr;
}

void panel_link() {
    services.slot[PANEL_SLOT_ELEMENT_LIST_QUERY] = reinterpret_cast<void*>(on_query);
    services.slot[PANEL_SLOT_ELEMENT_LIST_INSTALL] = reinterpret_cast<void*>(on_install);
    services.slot[PANEL_SLOT_ELEMENT_LIST_INITIALIZE] = reinterpret_cast<void*>(on_initialize);
    services.slot[PANEL_SLOT_ELEMENT_LIST_UPDATE] = reinterpret_cast<void*>(on_update);
    services.slot[PANEL_SLOT_ELEMENT_LIST_GENERATE] = reinterpret_cast<void*>(on_generate);
    services.slot[PANEL_SLOT_ELEMENT_LIST_PLOT] = reinterpret_cast<void*>(on_plot);
    services.slot[PANEL_SLOT_ELEMENT_LIST_ERASE] = reinterpret_cast<void*>(on_erase);
    services.slot[PANEL_SLOT_ELEMENT_LIST_KILL] = reinterpret_cast<void*>(on_kill);
    panel_imports->panels_entry.fnptr = &services;
}

void panel_service(SINT32 code, UINT_PTR extra) {
    panel_gauge->gauge_callback(panel_gauge, code, extra);
}

std::vector<PanelArea> panel_areas() {
    std::vector<PanelArea> areas;
    std::vector<PIXPOINT> origins{{0, 0}};
    for (MOUSERECT* rect = panel_gauge->mouse_rect; rect && rect->rect_type != MOUSE_RECT_EOL;
         ++rect) {
        const PIXPOINT origin = origins.back();
        const PIXBOX box{origin.x + rect->relative_box.x, origin.y + rect->relative_box.y,
                         rect->relative_box.size_x, rect->relative_box.size_y};
        switch (rect->rect_type) {
            case MOUSE_RECT_PARENT:
                origins.push_back({box.x, box.y});
                // The whole-gauge area opens the list; every other one is a control.
                if (origins.size() > 2) {
                    areas.push_back(PanelArea{box, "", nullptr, {}, 0, nullptr});
                }
                break;
            case MOUSE_RECT_END_PARENT:
                if (origins.size() > 1) origins.pop_back();
                break;
            case MOUSE_RECT_TOOLTIP_TEXT:
                if (!areas.empty()) {
                    areas.back().tooltip = reinterpret_cast<const char*>(rect->mouse_function);
                    areas.back().tooltip_args = static_cast<MOUSE_ARG*>(rect->api_data);
                }
                break;
            case MOUSE_RECT_CHILD:
                if (!areas.empty()) {
                    areas.back().click_box = box;
                    areas.back().click_flags = rect->mouse_flags;
                    areas.back().handler = rect->mouse_function;
                }
                break;
            default:
                break;
        }
        if (areas.size() > 64) break;
    }
    return areas;
}

const PanelArea* panel_area(const std::vector<PanelArea>& areas, const std::string& tooltip) {
    for (const PanelArea& area : areas) {
        if (area.tooltip == tooltip) return &area;
    }
    return nullptr;
}

std::string panel_tooltip(const PanelArea& area) {
    std::string shown;
    const std::string& text = area.tooltip;
    for (size_t i = 0; i < text.size(); ++i) {
        // "%N!s!": the text of argument N, counting from 1.
        if (text[i] == '%' && i + 4 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9' &&
            text.compare(i + 2, 3, "!s!") == 0 && area.tooltip_args) {
            const MOUSE_ARG& arg = area.tooltip_args[text[i + 1] - '1'];
            const char* insert = arg.string_callback
                                     ? arg.string_callback(0.0, 0, nullptr, nullptr, panel_gauge)
                                     : nullptr;
            shown += insert ? insert : "";
            i += 4;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

bool panel_click(const PanelArea& area, FLAGS event) {
    if (!(area.click_flags & event) || !area.handler) {
        return false;
    }
    PIXPOINT point{area.click_box.size_x / 2, area.click_box.size_y / 2};
    area.handler(&point, event);
    return true;
}

std::string panel_redraw() {
    std::string text;
    if (panel_gauge->elements_list) {
        walk(panel_gauge->elements_list[0], 0, text);
    }
    return text;
}

int panel_pump(DWORD milliseconds, const char* window_class, int enough) {
    int count = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds && count < enough) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            char name[64] = "";
            if (message.hwnd) GetClassNameA(message.hwnd, name, sizeof name);
            if (window_class && strcmp(name, window_class) == 0) ++count;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
    return count;
}

void panel_answer_message_boxes() {
    box_hook = SetWindowsHookExA(WH_CBT, box_watch, nullptr, GetCurrentThreadId());
}
