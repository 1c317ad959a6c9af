// The demo disc: eight short tunes, each built over a steady drone on its
// own base pitch, so that a listener (or a test) can tell which one plays.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

constexpr int demo_track_count = 8;
constexpr int demo_sample_rate = 22050;

// Whole tones up from A2: at least 13 Hz apart.
inline double demo_base_pitch(int track) {
    return 110.0 * std::pow(2.0, 2.0 * (track - 1) / 12.0);
}

// Seconds, 20 to 30.
inline double demo_track_seconds(int track) {
    static const double seconds[demo_track_count] = {24, 21, 27, 22, 30, 25, 23, 28};
    return seconds[(track - 1) % demo_track_count];
}

inline std::string demo_track_name(int track) {
    char name[32];
    snprintf(name, sizeof name, "track%02d.wav", track);
    return name;
}
