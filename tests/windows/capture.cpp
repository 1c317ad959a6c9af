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

// Never destroyed: the reader may still be reading while the process ends.
CRITICAL_SECTION lock;
std::vector<int16_t>& heard = *new std::vector<int16_t>;  // mono
std::vector<Stamp>& stamps = *new std::vector<Stamp>;
bool ended = false;

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
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

bool capture_start(std::string& why) {
    InitializeCriticalSection(&lock);
    HANDLE thread =
        CreateThread(nullptr, 0, read_capture, GetStdHandle(STD_INPUT_HANDLE), 0, nullptr);
    if (thread == nullptr) {
        why = "no thread to read the capture";
        return false;
    }
    CloseHandle(thread);
    // The sink's monitor sends silence while nothing plays.
    for (const double give_up = capture_clock() + 10; capture_clock() < give_up; Sleep(10)) {
        EnterCriticalSection(&lock);
        const bool arrived = !stamps.empty(), over = ended;
        LeaveCriticalSection(&lock);
        if (arrived) return true;
        if (over) break;
    }
    why = "nothing arrived from the sound card's capture";
    return false;
}

CapturedAudio capture_heard(double from, double to) {
    // A block is made at most a few milliseconds before it arrives.
    for (const double give_up = std::max(capture_clock(), to) + 5;; Sleep(5)) {
        EnterCriticalSection(&lock);
        if (stamps.back().at > to + 0.05 || ended || capture_clock() > give_up) break;
        LeaveCriticalSection(&lock);
    }
    const double offset = offset_near(to);
    const auto frame = [&](double t) {
        return std::min(heard.size(), static_cast<size_t>(std::max(0.0, (t - offset) * RATE)));
    };
    CapturedAudio audio;
    audio.rate = RATE;
    audio.channels = 1;
    const size_t first = frame(from), last = frame(to);
    audio.start = offset + double(first) / RATE;
    for (size_t i = first; i < last; ++i) audio.samples.push_back(heard[i] / 32768.0f);
    LeaveCriticalSection(&lock);
    return audio;
}

double capture_started_sound(double from, double until) {
    const CapturedAudio heard = capture_heard(from, until);
    const double click = heard.first_click();
    const CapturedAudio after = heard.slice(click < 0 ? 0 : click + 0.01, heard.seconds());
    // A quiet that runs to the end of what has arrived is not over yet (half
    // a sample's leeway: the times are sums of fractions).
    const double end = after.seconds() - 0.5 / RATE;
    for (const CapturedAudio::Quiet& quiet : after.silences(0.02)) {
        if (quiet.at + quiet.length < end) return after.start + quiet.at + quiet.length;
    }
    return -1;
}
