// The module's costs under the real Windows calls, taken by the driver with
// QueryPerformanceCounter around each call into it: pre-install with twelve
// presets of the four formats (a WAV, an MP3, a MIDI and a WMA file from
// SOUND-FOLDER, three of each), and the longest single call while presets
// are switched, while the mode changes, while the test CD drive plays a
// disc and while CD presets are pressed, with the simulator's 18 updates a
// second in between. Prints one line per figure.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Given a station's address (a 500 Hz tone), AM 4 plays it: press to
// first sample, the longest call, and the CPU while it plays. Given misbehaving servers'
// addresses, a second install plays each a while: the longest call, the
// CPU and the memory as the radio retries.
int wine_bench(const std::string& module_path, const std::string& sound_folder,
               const std::string& station, const std::vector<std::string>& misbehaving);
// What this Windows's DirectShow alone makes of a file or an address, the
// work a preset's test and play ask of it: RenderFile's result, its time,
// and the names of the filters of the graph it built.
HRESULT render_alone(const std::string& name, double& us, std::string* filters = nullptr);
