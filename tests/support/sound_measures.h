// Measures of a stretch of mono sound: what the native listening tests read
// from their WAV captures and what the Windows driver hears from the sound
// card of its Wine run. Plain C++ without platform calls, built into both.
#pragma once

#include <vector>

struct CapturedAudio {
    int rate = 0;
    int channels = 0;
    // When the first sample sounded, in seconds on the clock of whoever
    // captured it (0 for a file).
    double start = 0;
    // Mono samples in -1..1 (the channels averaged).
    std::vector<float> samples;

    bool empty() const { return samples.empty(); }
    double seconds() const { return rate > 0 ? double(samples.size()) / rate : 0.0; }
    // The part from one time to another, in seconds from the start (clamped
    // to the capture).
    CapturedAudio slice(double from, double to) const;
    double rms() const;
    double peak() const;
    // The strongest frequency between low and high Hz, in steps of step Hz.
    double dominant_frequency(double low = 50, double high = 4000, double step = 5) const;
    // The longest run of samples below threshold, in seconds.
    double longest_silence(double threshold = 0.002) const;
    // Seconds from the start to the first burst of bright noise, such as the
    // radio's click: within 10 ms, many sample-to-sample steps larger than a
    // tone below 1 kHz ever makes. -1 when none.
    double first_click() const;
    // Each run of samples below threshold at least min_seconds long:
    // seconds from the start to the run, and its length.
    struct Quiet {
        double at;
        double length;
    };
    std::vector<Quiet> silences(double min_seconds, double threshold = 0.002) const;
};

// The part of a capture that is not silence: from the first sample above
// the threshold to the last.
CapturedAudio sounding(const CapturedAudio& audio, float threshold = 0.01f);
