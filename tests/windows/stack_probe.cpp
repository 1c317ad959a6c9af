// A test-only module of the panel form: one gauge with two areas. The first
// area's mouse handler and tooltip callback are built with the wrong calling
// convention (cdecl, so they leave their arguments on the caller's stack);
// the second's are right. The driver's stack check must tell them apart.
#include "tests/windows/host_records.h"

namespace {

int32_t __cdecl wrong_handler(sim::Point*, uint32_t) {
    return 1;
}
int32_t __stdcall right_handler(sim::Point*, uint32_t) {
    return 1;
}
const char* __cdecl wrong_text(double, uint32_t, const char*, sim::ModuleVar*, sim::GaugeHeader*) {
    return "cdecl";
}
const char* __stdcall right_text(double, uint32_t, const char*, sim::ModuleVar*,
                                 sim::GaugeHeader*) {
    return "stdcall";
}

sim::TooltipArg tooltip_arg(sim::TooltipText callback) {
    sim::TooltipArg arg = {};
    arg.scale = 1.0;
    arg.text_callback = callback;
    return arg;
}
sim::TooltipArg wrong_arg = tooltip_arg(reinterpret_cast<sim::TooltipText>(wrong_text));
sim::TooltipArg right_arg = tooltip_arg(right_text);

sim::MouseHandler text(const char* tooltip) {
    return reinterpret_cast<sim::MouseHandler>(const_cast<char*>(tooltip));
}

sim::MouseRect area(int32_t x) {
    return {sim::RECT_AREA, {x, 0, 50, 50}, 0, 0, 0, 0, nullptr, nullptr};
}
sim::MouseRect tooltip(const char* template_text, sim::TooltipArg* arg) {
    return {sim::RECT_TOOLTIP, {}, 0, 0, 0, 1, text(template_text), arg};
}
sim::MouseRect click(sim::MouseHandler handler) {
    return {sim::RECT_CLICK, {0, 0, 50, 50}, 5, 0, sim::MOUSE_LEFT, 0, handler, nullptr};
}
const sim::MouseRect end_area = {sim::RECT_AREA_END, {}, 0, 0, 0, 0, nullptr, nullptr};

sim::MouseRect rects[] = {
    area(0),
    area(0),
    tooltip("wrong %1!s!", &wrong_arg),
    click(reinterpret_cast<sim::MouseHandler>(wrong_handler)),
    end_area,
    area(50),
    tooltip("right %1!s!", &right_arg),
    click(right_handler),
    end_area,
    end_area,
    {sim::RECT_END, {}, 0, 0, 0, 0, nullptr, nullptr},
};

sim::GaugeHeader gauge = [] {
    sim::GaugeHeader header = {};
    header.version = 700;
    header.name = "stack_probe";
    header.mouse_rects = rects;
    return header;
}();

}  // namespace

extern "C" {
__declspec(dllexport) sim::Linkage Linkage = {0x13, nullptr, nullptr, 0, 0, 0, {&gauge, nullptr}};
__declspec(dllexport) sim::ImportTable ImportTable = {0x0F, nullptr, 0, nullptr};
}
