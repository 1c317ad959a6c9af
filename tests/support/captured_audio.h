// Reads what a back-end played into a WAV capture file and measures it, so
// that audio tests listen instead of trusting that a call was made.
#pragma once

#include <string>
#include <vector>

struct CapturedAudio {
    int rate = 0;
    int channels = 0;
    // Mono samples in -1..1 (the channels averaged).
    std::vector<float> samples;

    bool empty() const { return samples.empty(); }
    double seconds() const { return rate > 0 ? double(samples.size()) / rate : 0.0; }
    // The part from one time to another, in seconds (clamped to the capture).
    CapturedAudio slice(double from, double to) const;
    double rms() const;
    double peak() const;
    // The strongest frequency between low and high Hz, in steps of step Hz.
    double dominant_frequency(double low = 50, double high = 4000, double step = 5) const;
    // The longest run of samples below threshold, in seconds.
    double longest_silence(double threshold = 0.002) const;
};

// Reads a 16-bit PCM WAV file. A capture cut short (a header that still
// says 0 bytes) reads as far as the file goes. Empty when unreadable.
CapturedAudio read_captured_audio(const std::string& path);

// The capture files a sink wrote for one stream name (DIR/<stream>-<n>.wav),
// in the order they were made.
std::vector<std::string> captured_files(const std::string& dir, const std::string& stream);
