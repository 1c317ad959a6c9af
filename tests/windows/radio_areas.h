// The radio's mouse areas, found by their tooltip templates, and the clicks
// and tooltips the driver asks of them.
#pragma once

#include <string>
#include <vector>

#include "tests/windows/panel_driver.h"

extern std::vector<PanelArea> radio_areas;

extern const char* const POWER;
extern const char* const PAUSE;
extern const char* const MODE_CD_AREA;
extern const char* const MODE_FM_AREA;
extern const char* const MODE_AM_AREA;
extern const char* const NEXT_TRACK;
extern const char* const PREVIOUS_TRACK;
// Preset button 1-6.
std::string preset_area(int button);

// The tooltip shown now for the area with this template.
std::string tip(const std::string& area_tooltip);
// A click on the area, checked to reach its handler; when the call into
// the module began and ended, on the capture's clock.
struct Press {
    double start, end;
};
Press click(const std::string& area_tooltip, uint32_t event = sim::MOUSE_LEFT);
