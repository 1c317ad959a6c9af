// Where a needle points: the direction from its pivot to the table point of
// its value, interpolated between neighbouring points.
#pragma once

#include <cstdint>

#include "common/panel_records.h"

// The needle's angle in radians, clockwise on the screen from pointing right
// (y grows downwards). Values past either end of the table point as at that
// end. A table of no points gives 0.
double needle_angle(const NONLINEARITY* table, uint32_t count, PIXPOINT pivot, double value);
