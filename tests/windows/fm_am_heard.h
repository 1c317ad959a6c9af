// FM and AM heard through the run's sound card (capture.h), the module
// driven as the simulator drives it (panel_run between presses): a preset
// of each format at its tone and looping past its end; a volume step;
// silence after pause, a mode change and power off; a playlist's entries in
// order, and next and previous; the click of every press. The gaps at the
// loop points are printed.
#pragma once

#include <string>
#include <vector>

#include "tests/windows/scratch_files.h"

// Copies the fixtures of the four formats into the Sound folder and names
// them on FM 5 and 6 and AM 3 and 6 of the settings lines (name, path).
void place_format_presets(const Scratch& s, const std::string& fixtures,
                          std::vector<std::string>& lines);
// FM mode with the power on, a preset playing or not. Ends with the power
// on in FM mode, one volume step down.
void hear_fm_and_am();
// FM 4's playlist: its first entry plays 440 Hz, the titled one 330 Hz.
void hear_playlist();
// Every press since the start made its click.
void check_clicks_heard();
