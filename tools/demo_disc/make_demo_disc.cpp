// Makes the demo disc: a folder of WAV tracks that the virtual CD drive plays
// when no other disc is chosen.
//   make_demo_disc DIR
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "tools/demo_disc/demo_tunes.h"
#include "tools/demo_disc/wav_file.h"

namespace {

// Major pentatonic steps over two octaves, in semitones.
const int scale[] = {0, 2, 4, 7, 9, 12, 14, 16, 19, 21};
constexpr int scale_size = sizeof scale / sizeof scale[0];

struct Random {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

// A phrase of eight steps: scale degrees, or -1 for a rest.
std::vector<int> phrase(Random& random) {
    std::vector<int> steps(8);
    int degree = static_cast<int>(random.next() % 5);
    for (int& step : steps) {
        if (random.next() % 5 == 0) {
            step = -1;
            continue;
        }
        degree += static_cast<int>(random.next() % 5) - 2;
        degree = degree < 0 ? 1 : (degree >= scale_size ? scale_size - 2 : degree);
        step = degree;
    }
    return steps;
}

std::vector<float> tune(int track) {
    const double rate = demo_sample_rate;
    const double base = demo_base_pitch(track);
    const double seconds = demo_track_seconds(track);
    const double step_seconds = 60.0 / (96.0 + 8.0 * track) / 2;  // eighth notes
    std::vector<float> out(static_cast<size_t>(seconds * rate));

    Random random{static_cast<uint32_t>(track) * 7919u + 17u};
    // A A B A, over and over.
    std::vector<int> a = phrase(random);
    std::vector<int> b = phrase(random);
    std::vector<int> melody;
    for (const auto* part : {&a, &a, &b, &a}) {
        melody.insert(melody.end(), part->begin(), part->end());
    }

    // The drone: the base pitch, steady, with a quiet fifth and a pulse on
    // each beat that keeps the base the strongest pitch of the track.
    for (size_t i = 0; i < out.size(); ++i) {
        double t = i / rate;
        double beat = std::fmod(t, 2 * step_seconds);
        double pulse = 0.10 * std::exp(-beat / 0.12);
        out[i] = static_cast<float>((0.30 + pulse) * std::sin(2 * M_PI * base * t) +
                                    0.08 * std::sin(2 * M_PI * base * 1.5 * t));
    }

    // The melody, two octaves up, plucked.
    size_t steps = static_cast<size_t>(seconds / step_seconds);
    for (size_t n = 0; n < steps; ++n) {
        int degree = melody[n % melody.size()];
        if (degree < 0) {
            continue;
        }
        double pitch = base * 4 * std::pow(2.0, scale[degree] / 12.0);
        size_t start = static_cast<size_t>(n * step_seconds * rate);
        size_t length = std::min(out.size() - start, static_cast<size_t>(0.8 * rate));
        for (size_t j = 0; j < length; ++j) {
            double t = j / rate;
            double envelope = std::min(1.0, t / 0.01) * std::exp(-t / 0.25);
            out[start + j] += static_cast<float>(
                0.18 * envelope *
                (std::sin(2 * M_PI * pitch * t) + 0.3 * std::sin(4 * M_PI * pitch * t)));
        }
    }

    // Fade in and out, so the joins between tracks do not click.
    for (size_t i = 0; i < out.size(); ++i) {
        double t = i / rate;
        double left = seconds - t;
        out[i] *= static_cast<float>(std::min({1.0, t / 0.02, left / 1.0}));
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_demo_disc DIR\n");
        return 2;
    }
    std::filesystem::path dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    for (int track = 1; track <= demo_track_count; ++track) {
        std::string path = (dir / demo_track_name(track)).string();
        if (!write_wav_mono16(path, demo_sample_rate, tune(track))) {
            fprintf(stderr, "make_demo_disc: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
