#include "tests/windows/station_heard.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tests/windows/capture.h"
#include "tests/windows/checks.h"
#include "tests/windows/module_call.h"
#include "tests/windows/panel_driver.h"
#include "tests/windows/radio_areas.h"
#include "tests/windows/scratch_files.h"

namespace {

// A tone none of the driver's files plays.
const double STATION_TONE = 500;
// The longest of the preset's tooltip callbacks asked here.
double longest_tooltip_us = 0;

// Sends a command to the test station; true when it answered "ok".
bool station_command(const std::string& folder, const std::string& command) {
    const std::string answer = folder + "answer";
    DeleteFileA(answer.c_str());
    write_file(folder + "command.tmp", command);
    MoveFileA((folder + "command.tmp").c_str(), (folder + "command").c_str());
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 60000;) {
        panel_run(110);
        const std::string said = read_file(answer);
        if (!said.empty()) return said.compare(0, 2, "ok") == 0;
    }
    return false;
}

// Runs the panel until the preset's tooltip is `text`, at most `seconds`;
// when it was first seen on the capture's clock, or -1.
double tooltip_seen(const std::string& text, double seconds) {
    const double until = capture_clock() + seconds;
    while (capture_clock() < until) {
        const bool shown = tip(preset_area(2)) == text;
        longest_tooltip_us = std::max(longest_tooltip_us, module_calls.last_us);
        if (shown) return capture_clock();
        panel_run(55);
    }
    return -1;
}

bool station_tone(double from) {
    while (capture_clock() < from + 0.6) panel_run(55);
    const CapturedAudio heard = sounding(capture_heard(from + 0.1, from + 0.5));
    return heard.seconds() > 0.3 &&
           std::fabs(heard.dominant_frequency(200, 1500, 1) - STATION_TONE) <= 6;
}

}  // namespace

double tone_started(const Press& press, double tone) {
    while (capture_clock() < press.end + 2) panel_run(55);
    const CapturedAudio heard = capture_heard(press.start, press.end + 2);
    // The tone from 50 ms windows on, past the press's click; it must hold
    // for three windows.
    auto sounds = [&](double at) {
        const CapturedAudio window = heard.slice(at, at + 0.05);
        return window.rms() > 0.002 &&
               std::fabs(window.dominant_frequency(200, 1500, 5) - tone) < 15;
    };
    const double click = heard.first_click();
    for (double at = click < 0 ? 0 : click + 0.03; at + 0.15 < heard.seconds(); at += 0.01) {
        if (sounds(at) && sounds(at + 0.05) && sounds(at + 0.1)) {
            return heard.start + at;
        }
    }
    return -1;
}

void hear_station(const std::string& control_folder) {
    const std::string name = "AM Preset #2 - Loopback FM";
    click(MODE_AM_AREA);
    panel_run(300);
    module_calls_reset();
    const Press press = click(preset_area(2));
    const double titled = tooltip_seen(name + ": Driver FM", 3);
    check(titled > 0, "the station's ICY title shows in its tooltip");
    const double heard = tone_started(press, STATION_TONE);
    check(heard > 0 && heard - press.start < 1.0,
          "the station is heard within a second of the press");
    check(heard > 0 && station_tone(heard), "the station sounds at its tone");
    printf(
        "note: station: press %.2f ms; first sample %.0f ms after the press; title after %.0f ms\n",
        (press.end - press.start) * 1000, (heard - press.start) * 1000,
        (titled - press.start) * 1000);

    // The server goes: "(no signal)" and static at once; back with it.
    const double stopping = capture_clock();
    check(station_command(control_folder, "stop"), "the test station stops");
    const double lost = tooltip_seen(name + " (no signal)", 1.5);
    check(lost > 0, "the lost station says \"(no signal)\" at once");
    panel_run(1000);
    const CapturedAudio noise = sounding(capture_heard(lost + 0.3, lost + 0.9));
    const double noise_pitch = noise.dominant_frequency(200, 1500, 1);
    check(noise.seconds() > 0.5 && std::fabs(noise_pitch - STATION_TONE) > 20,
          "static plays while the station is lost: " + std::to_string(noise.seconds()) +
              " s of sound, strongest at " + std::to_string(noise_pitch) + " Hz");
    check(station_command(control_folder, "restart"), "the test station starts again");
    const double back = tooltip_seen(name + ": Driver FM", 40);
    check(back > 0, "the station comes back with its server");
    check(back > 0 && station_tone(back + 0.5), "and is heard at its tone again");
    printf("note: station lost: \"(no signal)\" %.0f ms after the server was told to stop\n",
           (lost - stopping) * 1000);
    printf(
        "note: longest call while the station played, was lost and came back: %.2f ms (%s); "
        "longest of the preset's tooltips: %.2f ms\n",
        module_calls.longest_us / 1000, module_calls.longest.c_str(), longest_tooltip_us / 1000);

    const Press off = click(POWER);
    panel_run(600);
    const CapturedAudio after = capture_heard(off.end + 0.15, off.end + 0.55);
    check(after.seconds() > 0.3 && after.rms() < 0.001, "power off silences the station at once");
    check_equal(tip(preset_area(2)), "AM Preset #2 - station.pls",
                "after power off the preset shows its list's name");
}
