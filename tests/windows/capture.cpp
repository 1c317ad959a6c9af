#include "tests/windows/capture.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr int RATE = 48000;
constexpr int FRAME_BYTES = 4;  // two 16-bit channels

// A block's arrival: the frames heard by then, and when.
struct Stamp {
    size_t frames;
    double at;
};

// Kept to the end of the process: the reader may still be reading while
// the process ends.
struct Capture {
    CRITICAL_SECTION lock;
    std::vector<int16_t> heard;  // mono
    std::vector<Stamp> stamps;
    bool ended = false;
};
Capture& capture = *new Capture;
CRITICAL_SECTION& lock = capture.lock;
std::vector<int16_t>& heard = capture.heard;
std::vector<Stamp>& stamps = capture.stamps;
bool& ended = capture.ended;

DWORD WINAPI read_capture(void* input) {
    std::vector<char> block(1 << 16);
    std::vector<char> partial;
    DWORD got = 0;
    while (ReadFile(input, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) &&
           got > 0) {
        const double at = capture_clock();
        partial.insert(partial.end(), block.begin(), block.begin() + got);
        const size_t whole = partial.size() / FRAME_BYTES * FRAME_BYTES;
        EnterCriticalSection(&lock);
        for (size_t i = 0; i < whole; i += FRAME_BYTES) {
            int16_t left, right;
            memcpy(&left, &partial[i], 2);
            memcpy(&right, &partial[i + 2], 2);
            heard.push_back(static_cast<int16_t>((left + right) / 2));
        }
        stamps.push_back({heard.size(), at});
        LeaveCriticalSection(&lock);
        partial.erase(partial.begin(), partial.begin() + static_cast<long>(whole));
    }
    EnterCriticalSection(&lock);
    ended = true;
    LeaveCriticalSection(&lock);
    return 0;
}

// Seconds from the capture's first frame to the clock's zero, near a time.
// A block arrives some time after the server made it, never before: the
// earliest arrival of the blocks around the time tells the offset best
// (near, not over the whole run: the server's clock and this one may
// drift apart by a few parts in a million). Called with the lock held.
double offset_near(double t) {
    double best = 1e300;
    for (auto s = stamps.rbegin(); s != stamps.rend(); ++s) {
        if (s->at > t + 2) continue;
        if (s->at < t - 2 && best < 1e300) break;
        best = std::min(best, s->at - double(s->frames) / RATE);
    }
    return best;
}

}  // namespace

double capture_clock() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

bool capture_start(std::string& why) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    InitializeCriticalSection(&lock);
    HANDLE thread = CreateThread(nullptr, 0, read_capture, input, 0, nullptr);
    if (thread == nullptr) {
        why = "no thread to read the capture";
        return false;
    }
    CloseHandle(thread);
    // The sink's monitor sends silence while nothing plays.
    const double start = capture_clock();
    while (capture_clock() - start < 10) {
        EnterCriticalSection(&lock);
        const bool arrived = !stamps.empty(), over = ended;
        LeaveCriticalSection(&lock);
        if (arrived) return true;
        if (over) break;
        Sleep(10);
    }
    why = "nothing arrived from the sound card's capture";
    return false;
}

CapturedAudio capture_heard(double from, double to) {
    CapturedAudio audio;
    audio.rate = RATE;
    audio.channels = 1;
    // A block is made at most a few milliseconds before it arrives.
    const double wait_end = std::max(capture_clock(), to) + 5;
    for (;;) {
        EnterCriticalSection(&lock);
        const bool passed = !stamps.empty() && stamps.back().at > to + 0.05;

        if (stamps.empty()) {
            LeaveCriticalSection(&lock);
            return audio;
        }
        if (passed || ended || capture_clock() > wait_end) {
            const double offset = offset_near(to);
            const auto frame = [&](double t) {
                const double f = std::max(0.0, (t - offset) * RATE);
                return std::min(heard.size(), static_cast<size_t>(f));
            };
            const size_t first = frame(from), last = frame(to);
            audio.start = offset + double(first) / RATE;
            for (size_t i = first; i < last; ++i) audio.samples.push_back(heard[i] / 32768.0f);
            LeaveCriticalSection(&lock);
            return audio;
        }
        LeaveCriticalSection(&lock);
        Sleep(5);
    }
}

double capture_first_sound(double from, double to, double threshold) {
    const CapturedAudio audio = capture_heard(from, to);
    const double at = audio.first_sound(threshold);
    return at < 0 ? -1 : audio.start + at;
}
