// The gauge's mouse areas over the face: one over each front-panel control.
#pragma once

#include "common/panel_records.h"

// The whole-gauge area, sixteen groups of four, its end, the list's end.
constexpr int MOUSE_AREA_RECORDS = 67;
extern MOUSERECT mouse_areas[MOUSE_AREA_RECORDS];
