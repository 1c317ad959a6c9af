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
