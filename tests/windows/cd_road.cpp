// CD mode as a simmer plays it. What the radio shows is judged within
// generous windows, not at once: the module may ask the drive from a thread
// of its own, and a track takes a moment to start.
#include "tests/windows/cd_road.h"

#include <windows.h>

#include <cmath>
#include <cstdlib>

#include "tests/windows/capture.h"
#include "tests/windows/checks.h"
#include "tests/windows/mci_test_drive.h"
#include "tests/windows/panel_driver.h"
#include "tests/windows/radio_areas.h"
#include "tools/demo_disc/wav_file.h"

const int DISC_TONES[3] = {330, 550, 770};

namespace {

const char DOOR[] = "Open/Close CD Door";
const char NO_AUDIO_CD[] = "CD Player Track #1 - Audio CD not installed.";
const int TRACK_MS = 4000;

// The display's digits as the last check found them.
std::string confirmed;

// What sounds a moment after now.
CapturedAudio heard_next() {
    const double now = capture_clock();
    return capture_heard(now + 0.3, now + 0.8);
}

void silent(const std::string& when) {
    const double peak = heard_next().peak();
    check(peak < 0.002, "silence " + when + ": peak " + std::to_string(peak));
}

// Runs the panel until the display changes from the digits confirmed last
// (blanks passed over, unless blank is what it should show), and checks
// that the first digits it changes to are these: a press that plays the
// wrong track shows it first, though the disc runs on into the right one.
// Then it listens: the track's tone, or silence for a blank display.
void shown(const std::string& digits, const std::string& when, DWORD window = 3000) {
    std::string now = panel_frame();
    for (const DWORD start = GetTickCount();
         now != digits && (now == confirmed || (now == "  " && digits != "  ")) &&
         GetTickCount() - start < window;) {
        now = panel_frame();
    }
    check_equal(now, digits, "the track display " + when);
    confirmed = now;
    const int track = atoi(digits.c_str());
    if (track < 1 || track > 3) {
        silent(when);
        return;
    }
    const double tone = heard_next().dominant_frequency(250, 1000, 1);
    check(fabs(tone - DISC_TONES[track - 1]) <= 6,
          "track " + digits + " heard at its tone " + when + ": " + std::to_string(tone) + " Hz");
}

void tip_shown(const std::string& area, const std::string& text, const std::string& when) {
    std::string now = tip(area);
    for (const DWORD start = GetTickCount(); now != text && GetTickCount() - start < 3000;) {
        panel_frame();
        now = tip(area);
    }
    check_equal(now, text, "the tooltip " + when);
}

}  // namespace

std::string write_tone_disc(const Scratch& s) {
    const std::string folder = s.root + "Disc";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int track = 1; track <= 3; ++track) {
        write_tone_wav(folder + "\\track0" + std::to_string(track) + ".wav", DISC_TONES[track - 1],
                       TRACK_MS / 1000.0, 0.25);
    }
    return folder;
}

void change_disc(const std::string& disc) {
    click(DOOR);
    panel_run(300);
    SetEnvironmentVariableA(MCI_TEST_DISC, disc.c_str());
    click(DOOR);
}

void drive_cd_mode(const Scratch& s) {
    // An empty drive: presets and steps do nothing.
    click(preset_area(3));
    click(NEXT_TRACK);
    click(PREVIOUS_TRACK);
    panel_run(300);
    check_equal(tip(preset_area(6)), "CD Player Track #6 - Audio CD not installed.",
                "CD preset 6 with an empty drive");
    silent("with an empty drive");

    // A disc goes in, and the display starts it from its first track.
    change_disc(write_tone_disc(s));
    shown("01", "once a disc is in");
    click(preset_area(2));
    shown("02", "after preset 2");
    tip_shown(preset_area(1), "CD Player Track #1 - ", "of a playing audio disc");
    shown("03", "as track 2 runs on into track 3", TRACK_MS + 3000);
    click(NEXT_TRACK);
    shown("01", "after next on the last track");
    click(PREVIOUS_TRACK);
    shown("03", "after previous on the first track");
    click(PAUSE);
    shown("  ", "while paused");
    check_equal(tip(PAUSE), "Pause On/Off (on)", "pause tooltip, on");
    click(PAUSE);
    shown("03", "after the pause");
    shown("01", "once the disc has ended and started again", TRACK_MS + 3000);

    // The door stops the disc; closed again, the disc starts from its first
    // track.
    click(DOOR);
    tip_shown(preset_area(1), NO_AUDIO_CD, "with the door open");
    check_equal(panel_frame(), confirmed, "the track display with the door open");
    silent("with the door open");
    click(DOOR);
    shown("01", "once the door is closed");
    click(POWER);
    shown("  ", "with the power off");
    click(POWER);
    shown("02", "with the power on again, at preset 2");

    change_disc("data");
    tip_shown(preset_area(1), NO_AUDIO_CD, "with a data disc");
    shown("  ", "with a data disc");
    change_disc("");
    tip_shown(preset_area(1), NO_AUDIO_CD, "once the disc is out");
    silent("once the disc is out");
}
