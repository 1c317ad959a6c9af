#include "tests/support/sound_measures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
constexpr double PI = 3.14159265358979323846;
}  // namespace

CapturedAudio CapturedAudio::slice(double from, double to) const {
    CapturedAudio part;
    part.rate = rate;
    part.channels = channels;
    size_t first = std::min(samples.size(), static_cast<size_t>(std::max(0.0, from) * rate));
    size_t last = std::min(samples.size(), static_cast<size_t>(std::max(0.0, to) * rate));
    part.start = start + (rate > 0 ? double(first) / rate : 0.0);
    if (last > first) {
        part.samples.assign(samples.begin() + static_cast<long>(first),
                            samples.begin() + static_cast<long>(last));
    }
    return part;
}

double CapturedAudio::rms() const {
    if (samples.empty()) {
        return 0;
    }
    double sum = 0;
    for (float s : samples) {
        sum += double(s) * s;
    }
    return std::sqrt(sum / samples.size());
}

double CapturedAudio::peak() const {
    double result = 0;
    for (float s : samples) {
        result = std::max(result, double(std::fabs(s)));
    }
    return result;
}

double CapturedAudio::dominant_frequency(double low, double high, double step) const {
    // Goertzel power at each candidate frequency over at most one second.
    size_t n = std::min(samples.size(), static_cast<size_t>(rate));
    double best = 0;
    double best_power = -1;
    for (double f = low; f <= high; f += step) {
        double coeff = 2 * std::cos(2 * PI * f / rate);
        double s1 = 0;
        double s2 = 0;
        for (size_t i = 0; i < n; ++i) {
            double s0 = samples[i] + coeff * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
        if (power > best_power) {
            best_power = power;
            best = f;
        }
    }
    return best;
}

double CapturedAudio::longest_silence(double threshold) const {
    double longest = 0;
    for (const Quiet& quiet : silences(0, threshold)) longest = std::max(longest, quiet.length);
    return longest;
}

double CapturedAudio::first_click() const {
    // A full-scale tone of 1 kHz steps by at most 0.13 between samples at
    // 48 kHz; the click's noise steps by more at most of its samples.
    const double big_step = 0.15 * 48000 / std::max(rate, 1);
    const size_t window = static_cast<size_t>(rate / 100);
    std::vector<size_t> big;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (std::fabs(samples[i] - samples[i - 1]) > big_step) big.push_back(i);
    }
    const size_t enough = window / 10;
    for (size_t k = 0; k + enough <= big.size(); ++k) {
        if (big[k + enough - 1] - big[k] < window) return double(big[k]) / rate;
    }
    return -1;
}

std::vector<CapturedAudio::Quiet> CapturedAudio::silences(double min_seconds,
                                                          double threshold) const {
    std::vector<Quiet> runs;
    size_t run = 0;
    for (size_t i = 0; i <= samples.size(); ++i) {
        if (i < samples.size() && std::fabs(samples[i]) < threshold) {
            ++run;
            continue;
        }
        if (run > 0 && double(run) / rate >= min_seconds) {
            runs.push_back({double(i - run) / rate, double(run) / rate});
        }
        run = 0;
    }
    return runs;
}

CapturedAudio sounding(const CapturedAudio& audio, float threshold) {
    size_t first = audio.samples.size();
    size_t last = 0;
    for (size_t i = 0; i < audio.samples.size(); ++i) {
        if (audio.samples[i] > threshold || audio.samples[i] < -threshold) {
            first = std::min(first, i);
            last = i + 1;
        }
    }
    CapturedAudio part;
    part.rate = audio.rate;
    part.channels = audio.channels;
    if (last > first) {
        part.start = audio.start + double(first) / audio.rate;
        part.samples.assign(audio.samples.begin() + static_cast<long>(first),
                            audio.samples.begin() + static_cast<long>(last));
    }
    return part;
}
