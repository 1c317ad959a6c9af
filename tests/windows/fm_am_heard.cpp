#include "tests/windows/fm_am_heard.h"

#include <windows.h>

#include <cmath>
#include <cstdio>

#include "tests/windows/capture.h"
#include "tests/windows/checks.h"
#include "tests/windows/panel_driver.h"
#include "tests/windows/radio_areas.h"

namespace {

// The native listening tests' fixtures: their tones, how long each file
// sounds, and the silence it holds itself at its loop point (the MP3
// encoder's, at both ends).
struct Format {
    const char* name;
    const char* file;
    int slot;  // FM 1-6, then AM 1-6
    double tone;
    double seconds;
    double quiet;
};
const Format WAV{"WAV", "tone.wav", 4, 440, 0.4, 0};  // 440 Hz, then 880 Hz
const Format MP3{"MP3", "tone.mp3", 5, 660, 0.5, 0.05};
const Format WMA{"WMA", "tone.wma", 8, 550, 0.5, 0};
const Format MIDI{"MIDI", "tone.mid", 11, 440, 0.4, 0};

std::vector<Press> presses;

Press press(const std::string& area) {
    presses.push_back(click(area));
    return presses.back();
}

Press press(const Format& f) {
    return press(preset_area(f.slot % 6 + 1));
}

void listen_until(double time) {
    while (capture_clock() < time) panel_run(55);
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

// The sounding stretches of what was heard, pass by pass: the quiet at each
// loop point and how long each pass sounded. After the first pass (which
// may begin late), a quiet is a loop point only once its pass has sounded
// nearly whole; one before that is a dropout within the pass, listed apart:
// the graph plays the file whole, but under load Wine's mixer or the sound
// server now and then leaves a few milliseconds out. A pass cut short still
// shows, as a pass too long. A stutter (a sound of less than 50 ms between
// two quiets) counts with the quiet.
struct Passes {
    std::vector<double> gaps, lengths, dropouts;
};
Passes passes_heard(const CapturedAudio& heard, double pass_seconds) {
    Passes passes;
    double from = 0, sounded = 0;
    std::vector<double>* last = nullptr;  // where the last quiet went
    for (const CapturedAudio::Quiet& quiet : heard.silences(0.001)) {
        const double sound = quiet.at - from;
        from = quiet.at + quiet.length;
        if (last != nullptr && sound < 0.05) {
            last->back() += sound + quiet.length;
            continue;
        }
        sounded += sound;
        last = !passes.lengths.empty() && sounded < pass_seconds - 0.05 ? &passes.dropouts
                                                                        : &passes.gaps;
        last->push_back(quiet.length);
        if (last == &passes.gaps) {
            passes.lengths.push_back(sounded);
            sounded = 0;
        }
    }
    return passes;
}

// The preset's tone at its start and well past two passes, with no more
// silence at a loop point than the file's own and a tenth of a second, and
// each pass after the first heard whole (the first may begin late: a cold
// synthesizer's first note does), with two short dropouts at most; the
// quiet between passes and how much of each pass was heard are printed.
void hear_format(const Format& f, const Press& p) {
    const double start = sound_started(p);
    const std::string name = f.name;
    const double heard = start > 0 ? pitch(start) : 0;
    check(std::fabs(heard - f.tone) <= 6,
          name + " preset sounds at its tone after its press: " + std::to_string(heard) + " Hz");
    if (start < 0) return;
    const double late = start + 2 * f.seconds + 0.5;
    listen_until(late + 1);
    const CapturedAudio later = sounding(capture_heard(late, late + 1));
    const double later_pitch = later.dominant_frequency(200, 1500, 1);
    check(later.seconds() > 0.2 && (std::fabs(later_pitch - f.tone) <= 6 ||
                                    (&f == &WAV && std::fabs(later_pitch - 880) <= 6)),
          name + " preset loops past its end");

    const Passes passes = passes_heard(sounding(capture_heard(start, late + 1)), f.seconds);
    const std::string gaps = in_ms(passes.gaps), lengths = in_ms(passes.lengths),
                      dropouts = in_ms(passes.dropouts);
    bool short_gaps = true, whole = passes.lengths.size() >= 3;
    for (double gap : passes.gaps) short_gaps = short_gaps && gap <= 0.1 + f.quiet;
    for (size_t i = 1; i < passes.lengths.size(); ++i)
        whole = whole && std::fabs(passes.lengths[i] - f.seconds) <= 0.05;
    check(short_gaps, name + " preset: no long silence at its loop points (ms): " + gaps);
    check(whole, name + " preset: each pass heard whole (ms): " + lengths);
    bool short_dropouts = passes.dropouts.size() <= 2;
    for (double dropout : passes.dropouts) short_dropouts = short_dropouts && dropout <= 0.02;
    check(short_dropouts,
          name + " preset: two dropouts within a pass at most, none over 20 ms (ms): " + dropouts);
    printf(
        "note: %s preset: first sample %.0f ms after the press; silence at each loop point "
        "(ms): %s; each pass heard for (ms) %s; dropouts within a pass (ms): %s\n",
        f.name, (start - p.start) * 1000, gaps.c_str(), lengths.c_str(), dropouts.c_str());
}

void check_silent_after(const Press& p, const std::string& what) {
    listen_until(p.end + 1.5);
    const double peak = capture_heard(p.end + 0.5, p.end + 1.5).peak();
    check(peak < 0.002, "silence after " + what + ": peak " + std::to_string(peak));
}

// Plays on until the playlist's tooltip names the entry (ten seconds at
// most); then whether the entry's tone sounds a moment later.
bool entry_heard(const std::string& entry, int tone) {
    const std::string expected = "FM Preset #4 - Road trip.m3u8: " + entry;
    for (const double until = capture_clock() + 10; capture_clock() < until; panel_run(55)) {
        if (tip(preset_area(4)) != expected) continue;
        const double start = capture_clock() + 0.15;
        listen_until(start + 0.3);
        return pitch(start, 330, 440, 110) == tone;
    }
    check_equal(tip(preset_area(4)), expected, "the playlist's tooltip");
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
    Press p = press(WAV);
    hear_format(WAV, p);
    // The tone's peak: the quiet at the loop points leaves it alone.
    const double now = capture_clock(), before = capture_heard(now - 1, now).peak();
    p = click("Decrease Volume Level");
    listen_until(p.end + 1.5);
    const double step = 20 * std::log10(capture_heard(p.end + 0.5, p.end + 1.5).peak() / before);
    check(std::fabs(step + 1.5) <= 1,
          "a volume step lowers the level by 1.5 dB, not " + std::to_string(-step));
    printf("note: one step of the media volume: %.2f dB\n", step);
    check_silent_after(press(PAUSE), "pause");
    hear_format(MP3, press(MP3));
    check_silent_after(press(MODE_CD_AREA), "a change to CD mode with the drive empty");
    // AM mode plays the sixth preset, selected in FM.
    hear_format(MIDI, press(MODE_AM_AREA));
    hear_format(WMA, press(WMA));
    check_silent_after(press(POWER), "power off");
    press(POWER);
    check_silent_after(press(MODE_FM_AREA), "a change to FM, whose third preset's file is missing");
}

void hear_playlist() {
    const double from = sound_started(press(preset_area(4)));
    check(entry_heard("tone.wav", 440) && entry_heard("Low tone", 330) &&
              entry_heard("tone.wav", 440),
          "the playlist is heard entry after entry, the missing one passed over, and again from "
          "its first");
    // Entries of 1.5 s.
    const Passes entries = passes_heard(sounding(capture_heard(from, capture_clock())), 1.5);
    printf("note: playlist: silence at each entry change (ms): %s; each entry heard for (ms) %s\n",
           in_ms(entries.gaps).c_str(), in_ms(entries.lengths).c_str());
    // Each step half a second into an entry, well before its end.
    const struct {
        const char* area;
        const char* entry;
        int tone;
    } steps[] = {{NEXT_TRACK, "Low tone", 330},
                 {NEXT_TRACK, "tone.wav", 440},
                 {PREVIOUS_TRACK, "Low tone", 330}};
    for (const auto& step : steps) {
        panel_run(500);
        press(step.area);
        check(entry_heard(step.entry, step.tone), std::string(step.area) + " plays " + step.entry);
    }
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
