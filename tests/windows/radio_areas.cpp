#include "tests/windows/radio_areas.h"

#include "tests/windows/capture.h"
#include "tests/windows/checks.h"

std::vector<PanelArea> radio_areas;

const char* const POWER = "Power On/Off (%1!s!)";
const char* const PAUSE = "Pause On/Off (%9!s!)";
const char* const MODE_CD_AREA = "Mode Select - CD Player";
const char* const MODE_FM_AREA = "Mode Select - FM Radio";
const char* const MODE_AM_AREA = "Mode Select - AM Radio";
const char* const NEXT_TRACK = "Next CD Track";
const char* const PREVIOUS_TRACK = "Previous CD Track";

std::string preset_area(int button) {
    return "%8!s!" + std::to_string(button) + " - %" + std::to_string(button + 1) + "!s!";
}

std::string tip(const std::string& area_tooltip) {
    const PanelArea* area = panel_area(radio_areas, area_tooltip);
    return area ? panel_tooltip(*area) : "(no area " + area_tooltip + ")";
}

Press click(const std::string& area_tooltip, uint32_t event) {
    const PanelArea* area = panel_area(radio_areas, area_tooltip);
    Press press{capture_clock(), 0};
    check(area && panel_click(*area, event), "a click reaches the handler of " + area_tooltip);
    press.end = capture_clock();
    return press;
}
