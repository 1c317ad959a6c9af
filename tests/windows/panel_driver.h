// Plays the simulator's panel system to the module under Wine: loads it,
// fills ImportTable with a services table of its own, makes the service
// calls, clicks through the mouse rectangles' handlers, asks the tooltips,
// runs the element callbacks, pumps messages and answers message boxes.
#pragma once

#include <string>
#include <vector>

#include "tests/windows/host_records.h"
#include "tests/windows/module_call.h"

// One mouse area as the host sees it: face coordinates.
struct PanelArea {
    sim::Box box;
    std::string tooltip;  // the template, inserts unexpanded
    sim::TooltipArg* tooltip_args;
    sim::Box click_box;
    uint32_t click_flags;
    sim::MouseHandler handler;
};

// What the module's services-table calls saw.
struct ServiceCall {
    int slot;
    sim::Element* element;
    uintptr_t argument;
};

struct ShownMessage {
    std::string caption;
    std::string text;
};

extern HMODULE panel_module;
extern sim::Linkage* panel_linkage;
extern sim::ImportTable* panel_imports;
extern sim::GaugeHeader* panel_gauge;
extern std::vector<ServiceCall> service_calls;
extern std::vector<ShownMessage> shown_messages;

// Loads the module and reads its two exports; false when either is missing.
bool panel_load(const std::string& path);
// Hands the module the driver's services table.
void panel_link();
void panel_service(int32_t code, uintptr_t extra);
// The areas of the gauge's mouse rectangle list, in list order.
std::vector<PanelArea> panel_areas();
// The area whose tooltip template is exactly this text; null if none.
const PanelArea* panel_area(const std::vector<PanelArea>& areas, const std::string& tooltip);
// The tooltip the host would show for the area now.
std::string panel_tooltip(const PanelArea& area);
// A click at the middle of the area's click box, if the box takes the event;
// returns false when it does not.
bool panel_click(const PanelArea& area, uint32_t event);
// Runs every element's update callback, as a redraw does; returns the
// string element's text afterwards ("" when there is none).
std::string panel_redraw();
// Dispatches messages as they come for about the given time.
void panel_pump(DWORD milliseconds);
// One of the simulator's frames, 18 a second: an update and a redraw, then
// the messages until the next; returns the string element's text.
std::string panel_frame();
// Frames for about the given time.
void panel_run(DWORD milliseconds);
// From now on message boxes are recorded and closed at once.
void panel_answer_message_boxes();
