#include "tests/windows/fm_am_heard.h"

#include <windows.h>

#include <cmath>
#include <cstdio>

#include "tests/windows/capture.h"
#include "tests/windows/checks.h"
#include "tests/windows/panel_driver.h"
#include "tests/windows/radio_areas.h"

namespace {

// The native listening tests' fixtures: their tones, and how long each
// file sounds.
struct Format {
    const char* name;
    const char* file;
    int slot;
    int button;
    double tone;
    double seconds;
};
const Format WAV{"WAV", "tone.wav", 4, 5, 440, 0.4};  // 440 Hz, then 880 Hz
const Format MP3{"MP3", "tone.mp3", 5, 6, 660, 0.5};
const Format WMA{"WMA", "tone.wma", 8, 3, 550, 0.5};
const Format MIDI{"MIDI", "tone.mid", 11, 6, 440, 0.4};

std::vector<Press> presses;

Press press(const std::string& area) {
    presses.push_back(click(area));
    return presses.back();
}

void listen_until(double time) {
    while (capture_clock() < time) panel_run(55);
}

// The first sample of the sound a press started: after its click and the
// quiet that follows it (the sound it stopped, then its start). -1 when
// nothing has begun by `until`.
double sound_started(const Press& p, double until) {
    const CapturedAudio heard = capture_heard(p.start, until);
    const double click = heard.first_click();
    const CapturedAudio after = heard.slice(click < 0 ? 0 : click + 0.01, heard.seconds());
    for (const CapturedAudio::Quiet& quiet : after.silences(0.02)) {
        if (quiet.at + quiet.length < after.seconds()) return after.start + quiet.at + quiet.length;
    }
    return -1;
}

// Plays on while waiting for the press's sound, at most five seconds.
double wait_for_sound(const Press& p) {
    double start = -1;
    while (start < 0 && capture_clock() < p.end + 5) {
        panel_run(110);
        start = sound_started(p, capture_clock());
    }
    return start;
}

double pitch(double start, double low = 200, double high = 1500, double step = 1) {
    return sounding(capture_heard(start, start + 0.3))
        .slice(0.02, 0.25)
        .dominant_frequency(low, high, step);
}

std::string in_ms(const std::vector<double>& seconds) {
    std::string text;
    for (double s : seconds)
        text += (text.empty() ? "" : " ") + std::to_string(int(s * 1000 + 0.5));
    return text.empty() ? "none" : text;
}

// The preset's tone at its start and well past two passes; the quiet
// between passes, and for the WAV file how much of each pass was heard and
// when the graph's notices came, are printed.
void hear_format(const Format& f, const Press& p) {
    const double start = wait_for_sound(p);
    check(start > 0, std::string(f.name) + " preset: its sound begins after the press");
    if (start < 0) return;
    const double heard_pitch = pitch(start);
    check(std::fabs(heard_pitch - f.tone) <= 6, std::string(f.name) + " preset sounds at " +
                                                    std::to_string(int(f.tone)) + " Hz, not " +
                                                    std::to_string(heard_pitch));
    const double late = start + 2 * f.seconds + 0.5;
    listen_until(late + 1);
    const CapturedAudio later = sounding(capture_heard(late, late + 1));
    const double later_pitch = later.dominant_frequency(200, 1500, 1);
    check(later.seconds() > 0.2 && (std::fabs(later_pitch - f.tone) <= 6 ||
                                    (&f == &WAV && std::fabs(later_pitch - 880) <= 6)),
          std::string(f.name) + " preset loops past its end: " + std::to_string(later_pitch) +
              " Hz after " + std::to_string(late - start) + " s");

    const CapturedAudio passes = sounding(capture_heard(start, late + 1));
    std::vector<double> gaps, lengths, notices;
    double from = 0;
    for (const CapturedAudio::Quiet& quiet : passes.silences(0.001)) {
        gaps.push_back(quiet.length);
        lengths.push_back(quiet.at - from);
        for (double notice : graph_notices) {
            const double before_end = passes.start + quiet.at - notice;
            if (before_end > -0.1 && before_end < 0.3) notices.push_back(before_end);
        }
        from = quiet.at + quiet.length;
    }
    printf(
        "note: %s preset: first sample %.0f ms after the press; silence at each loop point "
        "(ms): %s\n",
        f.name, (start - p.start) * 1000, in_ms(gaps).c_str());
    if (&f == &WAV) {
        printf(
            "note: WAV preset: each pass heard for (ms) %s of the file's %.0f; its graph's "
            "notice handled (ms before a pass's last sample) %s\n",
            in_ms(lengths).c_str(), f.seconds * 1000, in_ms(notices).c_str());
    }
}

void check_silent_after(const Press& p, const std::string& what) {
    listen_until(p.end + 1.5);
    const double peak = capture_heard(p.end + 0.5, p.end + 1.5).peak();
    check(peak < 0.002, "silence after " + what + ": peak " + std::to_string(peak));
}

// The tones heard one after another: each 50 ms that sounds is given the
// nearer of the two, and a tone counts from its second block on (a block
// may hold the end of one tone and the start of the next).
std::vector<int> tone_order(const CapturedAudio& heard, int low, int high) {
    std::vector<int> order;
    int last = 0;
    for (double at = 0; at + 0.05 <= heard.seconds(); at += 0.05) {
        const CapturedAudio block = heard.slice(at, at + 0.05);
        const int tone =
            block.rms() < 0.01 ? 0 : int(block.dominant_frequency(low, high, high - low));
        if (tone != 0 && tone == last && (order.empty() || order.back() != tone)) {
            order.push_back(tone);
        }
        last = tone;
    }
    return order;
}

std::string playlist_tip() {
    return tip(preset_area(4));
}

// Plays on until the playlist's tooltip names the entry; at most ten seconds.
bool entry_plays(const std::string& entry) {
    const std::string expected = "FM Preset #4 - Road trip.m3u8: " + entry;
    for (const double until = capture_clock() + 10; capture_clock() < until; panel_run(55)) {
        if (playlist_tip() == expected) return true;
    }
    check_equal(playlist_tip(), expected, "the playlist's tooltip");
    return false;
}

}  // namespace

void place_format_presets(const Scratch& s, const std::string& fixtures,
                          std::vector<std::string>& lines) {
    for (const Format* f : {&WAV, &MP3, &WMA, &MIDI}) {
        const std::string copy = s.sound + "format " + f->file;
        check(CopyFileA(windows_path(fixtures + f->file).c_str(), copy.c_str(), FALSE) != 0,
              std::string("the fixture ") + f->file + " is copied");
        lines[size_t(f->slot) * 2] = f->name;
        lines[size_t(f->slot) * 2 + 1] = copy;
    }
}

void hear_fm_and_am() {
    Press p = press(preset_area(WAV.button));
    hear_format(WAV, p);
    const double now = capture_clock();
    const double before = capture_heard(now - 1, now).sounding_level_db();
    p = click("Decrease Volume Level");
    listen_until(p.end + 1.5);
    const double after = capture_heard(p.end + 0.5, p.end + 1.5).sounding_level_db();
    check(std::fabs(after - before + 1.5) <= 1,
          "a volume step lowers the level by 1.5 dB: " + std::to_string(after - before) + " dB");
    printf("note: one step of the media volume: %.2f dB\n", after - before);
    check_silent_after(press(PAUSE), "pause");
    hear_format(MP3, press(preset_area(MP3.button)));
    check_silent_after(press(MODE_CD_AREA), "a change to CD mode with the drive empty");
    // AM mode plays the sixth preset, selected in FM.
    hear_format(MIDI, press(MODE_AM_AREA));
    hear_format(WMA, press(preset_area(WMA.button)));
    check_silent_after(press(POWER), "power off");
    press(POWER);
    check_silent_after(press(MODE_FM_AREA), "a change to FM, whose third preset's file is missing");
}

void hear_playlist() {
    const Press first = press(preset_area(4));
    const bool round =
        entry_plays("tone.wav") && entry_plays("Low tone") && entry_plays("tone.wav");
    // Each step half a second into an entry, well before its end.
    const struct {
        const char* area;
        const char* entry;
        int tone;
    } steps[] = {{NEXT_TRACK, "Low tone", 330},
                 {NEXT_TRACK, "tone.wav", 440},
                 {PREVIOUS_TRACK, "Low tone", 330}};
    double stepped = 0;
    for (const auto& step : steps) {
        panel_run(500);
        const Press p = press(step.area);
        stepped = stepped > 0 ? stepped : p.start;
        const double start = wait_for_sound(p);
        check(entry_plays(step.entry) && start > 0 && pitch(start, 330, 440, 110) == step.tone,
              std::string(step.area) + " plays " + step.entry);
    }
    const std::vector<int> order =
        tone_order(capture_heard(sound_started(first, stepped), stepped), 330, 440);
    std::string heard;
    for (int tone : order) heard += " " + std::to_string(tone);
    check(round && order.size() >= 3 && order[0] == 440 && order[1] == 330 && order[2] == 440,
          "the playlist is heard entry after entry, the missing one passed over, and again from "
          "its first:" +
              heard);
}

void check_clicks_heard() {
    std::vector<double> delays;
    for (const Press& p : presses) {
        const CapturedAudio heard = capture_heard(p.start, p.end + 0.5);
        const double click = heard.first_click();
        if (click >= 0) delays.push_back(heard.start + click - p.start);
    }
    check(delays.size() == presses.size(), "each of the " + std::to_string(presses.size()) +
                                               " presses is heard as a click, not " +
                                               std::to_string(delays.size()));
    printf("note: each press to its click's first sample (ms): %s\n", in_ms(delays).c_str());
}
