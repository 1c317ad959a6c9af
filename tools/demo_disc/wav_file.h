// Writes 16-bit mono PCM WAV files: the demo disc's tracks and the tests'
// own short discs and tones, on Linux and on Windows.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline bool write_wav_mono16(const std::string& path, int rate, const std::vector<float>& samples) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    auto put32 = [&](uint32_t v) {
        unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        fwrite(b, 1, 4, file);
    };
    auto put16 = [&](uint16_t v) {
        unsigned char b[2] = {uint8_t(v), uint8_t(v >> 8)};
        fwrite(b, 1, 2, file);
    };
    uint32_t data_bytes = static_cast<uint32_t>(samples.size() * 2);
    fwrite("RIFF", 1, 4, file);
    put32(36 + data_bytes);
    fwrite("WAVEfmt ", 1, 8, file);
    put32(16);
    put16(1);  // PCM
    put16(1);  // mono
    put32(static_cast<uint32_t>(rate));
    put32(static_cast<uint32_t>(rate) * 2);
    put16(2);
    put16(16);
    fwrite("data", 1, 4, file);
    put32(data_bytes);
    for (float s : samples) {
        float clamped = s > 1.0f ? 1.0f : (s < -1.0f ? -1.0f : s);
        put16(static_cast<uint16_t>(static_cast<int16_t>(std::lround(clamped * 32767.0f))));
    }
    return fclose(file) == 0;
}

// A steady sine tone: the simplest track a test can recognise by ear.
inline bool write_tone_wav(const std::string& path, double frequency, double seconds,
                           double amplitude = 0.5, int rate = 22050) {
    std::vector<float> samples(static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(
            amplitude * std::sin(2 * 3.14159265358979323846 * frequency * i / rate));
    }
    return write_wav_mono16(path, rate, samples);
}
