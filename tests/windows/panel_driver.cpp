#include "tests/windows/panel_driver.h"

#include <cstring>
#include <list>

HMODULE panel_module;
sim::Linkage* panel_linkage;
sim::ImportTable* panel_imports;
sim::GaugeHeader* panel_gauge;
std::vector<ServiceCall> service_calls;
std::vector<ShownMessage> shown_messages;

namespace {

sim::Services services;
HHOOK box_hook;
std::list<std::string> string_buffers;

int32_t record(int slot, sim::Element* e, uintptr_t argument) {
    service_calls.push_back({slot, e, argument});
    // A result the module cannot make up: it must hand it back unchanged.
    return 1000 + slot;
}

int32_t __stdcall on_query(sim::Element* e) {
    return record(sim::SLOT_QUERY, e, 0);
}
int32_t __stdcall on_install(sim::Element* e, uintptr_t resource) {
    return record(sim::SLOT_INSTALL, e, resource);
}
int32_t __stdcall on_initialize(sim::Element* e) {
    return record(sim::SLOT_INITIALIZE, e, 0);
}
int32_t __stdcall on_update(sim::Element* e) {
    return record(sim::SLOT_UPDATE, e, 0);
}
int32_t __stdcall on_generate(sim::Element* e, uint32_t phase) {
    return record(sim::SLOT_GENERATE, e, phase);
}
int32_t __stdcall on_plot(sim::Element* e) {
    return record(sim::SLOT_PLOT, e, 0);
}
int32_t __stdcall on_erase(sim::Element* e) {
    return record(sim::SLOT_ERASE, e, 0);
}
int32_t __stdcall on_kill(sim::Element* e) {
    return record(sim::SLOT_KILL, e, 0);
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

void walk(sim::Element* element, int depth, std::string& text) {
    if (element == nullptr || depth > 64) {
        return;
    }
    switch (element->kind) {
        case sim::ELEMENT_NEEDLE: {
            auto* needle = reinterpret_cast<sim::NeedleElement*>(element);
            if (needle->update) module_call("needle callback", needle->update, element);
            break;
        }
        case sim::ELEMENT_STRING: {
            auto* string = reinterpret_cast<sim::StringElement*>(element);
            // The host owns the text buffer, sized by the element's length.
            if (!string->text) {
                string_buffers.emplace_back(string->max_length + 1u, '\0');
                string->text = &string_buffers.back()[0];
            }
            if (string->update) module_call("string callback", string->update, element);
            if (string->text) text = string->text;
            break;
        }
        case sim::ELEMENT_ICON: {
            auto* icon = reinterpret_cast<sim::IconElement*>(element);
            if (icon->update) module_call("icon callback", icon->update, element);
            break;
        }
        default:
            break;
    }
    if (element->next) {
        for (sim::Element** next = element->next; *next; ++next) {
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
    panel_linkage = reinterpret_cast<sim::Linkage*>(GetProcAddress(panel_module, "Linkage"));
    panel_imports =
        reinterpret_cast<sim::ImportTable*>(GetProcAddress(panel_module, "ImportTable"));
    if (!panel_linkage || !panel_imports) {
        return false;
    }
    panel_gauge = panel_linkage->gauges[0];
    return panel_gauge != nullptr;
}

void panel_link() {
    services.slot[sim::SLOT_QUERY] = reinterpret_cast<void*>(on_query);
    services.slot[sim::SLOT_INSTALL] = reinterpret_cast<void*>(on_install);
    services.slot[sim::SLOT_INITIALIZE] = reinterpret_cast<void*>(on_initialize);
    services.slot[sim::SLOT_UPDATE] = reinterpret_cast<void*>(on_update);
    services.slot[sim::SLOT_GENERATE] = reinterpret_cast<void*>(on_generate);
    services.slot[sim::SLOT_PLOT] = reinterpret_cast<void*>(on_plot);
    services.slot[sim::SLOT_ERASE] = reinterpret_cast<void*>(on_erase);
    services.slot[sim::SLOT_KILL] = reinterpret_cast<void*>(on_kill);
    panel_imports->services = &services;
}

void panel_service(int32_t code, uintptr_t extra) {
    module_call("service routine " + std::to_string(code), panel_gauge->service, panel_gauge, code,
                extra);
}

std::vector<PanelArea> panel_areas() {
    std::vector<PanelArea> areas;
    std::vector<sim::Point> origins{{0, 0}};
    for (sim::MouseRect* rect = panel_gauge->mouse_rects; rect && rect->kind != sim::RECT_END;
         ++rect) {
        const sim::Point origin = origins.back();
        const sim::Box box{origin.x + rect->box.x, origin.y + rect->box.y, rect->box.width,
                           rect->box.height};
        switch (rect->kind) {
            case sim::RECT_AREA:
                origins.push_back({box.x, box.y});
                // The whole-gauge area opens the list; every other one is a control.
                if (origins.size() > 2) {
                    areas.push_back(PanelArea{box, "", nullptr, {}, 0, nullptr});
                }
                break;
            case sim::RECT_AREA_END:
                if (origins.size() > 1) origins.pop_back();
                break;
            case sim::RECT_TOOLTIP:
                if (!areas.empty()) {
                    areas.back().tooltip = reinterpret_cast<const char*>(rect->handler);
                    areas.back().tooltip_args = static_cast<sim::TooltipArg*>(rect->extra);
                }
                break;
            case sim::RECT_CLICK:
                if (!areas.empty()) {
                    areas.back().click_box = box;
                    areas.back().click_flags = rect->flags;
                    areas.back().handler = rect->handler;
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
            const sim::TooltipArg& arg = area.tooltip_args[text[i + 1] - '1'];
            const char* insert = arg.text_callback
                                     ? module_call("tooltip callback of " + text, arg.text_callback,
                                                   0.0, 0, nullptr, nullptr, panel_gauge)
                                     : nullptr;
            shown += insert ? insert : "";
            i += 4;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

bool panel_click(const PanelArea& area, uint32_t event) {
    if (!(area.click_flags & event) || !area.handler) {
        return false;
    }
    sim::Point point{area.click_box.width / 2, area.click_box.height / 2};
    module_call("mouse handler of " + area.tooltip, area.handler, &point, event);
    return true;
}

std::string panel_redraw() {
    std::string text;
    if (panel_gauge->elements) {
        walk(panel_gauge->elements[0], 0, text);
    }
    return text;
}

void panel_pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        // Time is looked at between messages too: a graph looping a clip of
        // a few milliseconds posts its notices faster than they are read.
        while (GetTickCount() - start < milliseconds &&
               PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

std::string panel_frame() {
    panel_service(sim::SERVICE_PRE_UPDATE, 0);
    const std::string text = panel_redraw();
    panel_pump(55);
    return text;
}

void panel_run(DWORD milliseconds) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < milliseconds;) {
        panel_frame();
    }
}

void panel_answer_message_boxes() {
    box_hook = SetWindowsHookExA(WH_CBT, box_watch, nullptr, GetCurrentThreadId());
}
