#include "tests/support/captured_audio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/native/standin.h"

namespace {

uint32_t le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

CapturedAudio read_captured_audio(const std::string& path) {
    CapturedAudio audio;
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || memcmp(bytes.data(), "RIFF", 4) != 0 ||
        memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        return audio;
    }
    size_t at = 12;
    int bits = 0;
    while (at + 8 <= bytes.size()) {
        const unsigned char* chunk = bytes.data() + at;
        uint32_t length = le32(chunk + 4);
        if (memcmp(chunk, "fmt ", 4) == 0 && at + 8 + 16 <= bytes.size()) {
            audio.channels = le16(chunk + 10);
            audio.rate = static_cast<int>(le32(chunk + 12));
            bits = le16(chunk + 22);
        } else if (memcmp(chunk, "data", 4) == 0) {
            size_t start = at + 8;
            size_t end = bytes.size();
            if (length != 0 && start + length <= bytes.size()) {
                end = start + length;
            }
            if (bits != 16 || audio.channels <= 0) {
                return CapturedAudio();
            }
            size_t frame = 2 * static_cast<size_t>(audio.channels);
            for (size_t f = start; f + frame <= end; f += frame) {
                float sum = 0;
                for (int c = 0; c < audio.channels; ++c) {
                    sum += static_cast<int16_t>(le16(bytes.data() + f + 2 * c)) / 32768.0f;
                }
                audio.samples.push_back(sum / audio.channels);
            }
            return audio;
        }
        at += 8 + length + (length & 1);
    }
    return audio;
}

CapturedAudio CapturedAudio::slice(double from, double to) const {
    CapturedAudio part;
    part.rate = rate;
    part.channels = channels;
    size_t first = std::min(samples.size(), static_cast<size_t>(std::max(0.0, from) * rate));
    size_t last = std::min(samples.size(), static_cast<size_t>(std::max(0.0, to) * rate));
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
        double coeff = 2 * std::cos(2 * M_PI * f / rate);
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
    size_t longest = 0;
    size_t run = 0;
    for (float s : samples) {
        run = std::fabs(s) < threshold ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return rate > 0 ? double(longest) / rate : 0.0;
}

std::vector<std::string> captured_files(const std::string& dir, const std::string& stream) {
    std::vector<std::pair<int, std::string>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        std::string name = entry.path().filename().string();
        std::string prefix = stream + "-";
        if (name.rfind(prefix, 0) == 0 && name.size() > prefix.size() + 4 &&
            name.compare(name.size() - 4, 4, ".wav") == 0) {
            int number = atoi(name.c_str() + prefix.size());
            found.emplace_back(number, entry.path().string());
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& item : found) {
        paths.push_back(item.second);
    }
    return paths;
}
