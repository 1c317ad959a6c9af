// What the audio tests share: a capture folder that the stand-in's sinks
// write into, time passing as on the host's panel thread, and the player
// thread's progress.
#pragma once

#include <chrono>
#include <cmath>
#include <complex>
#include <string>
#include <thread>
#include <vector>

#include "audio/media.h"
#include "audio/player_thread.h"
#include "platform/native/standin.h"
#include "tests/support/captured_audio.h"
#include "tests/support/scratch_dir.h"

#ifndef SKYTUNE_SOURCE_DIR
#error "SKYTUNE_SOURCE_DIR names the source tree"
#endif

inline std::string source_file(const std::string& relative) {
    return std::string(SKYTUNE_SOURCE_DIR) + "/" + relative;
}

// Real time passes while the posted messages reach their windows, as the
// host's message loop delivers them between its other calls.
inline void listen(double seconds) {
    auto end = std::chrono::steady_clock::now() +
               std::chrono::microseconds(static_cast<long long>(seconds * 1e6));
    while (std::chrono::steady_clock::now() < end) {
        plat::pump_messages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    plat::pump_messages();
}

// Pumps messages until done() holds or the time runs out (a loaded machine
// starts a stream late, so an end is waited for, not timed).
template <class Done>
inline bool listen_until(Done done, double timeout_seconds) {
    auto end = std::chrono::steady_clock::now() +
               std::chrono::microseconds(static_cast<long long>(timeout_seconds * 1e6));
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        plat::pump_messages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Every stream played while it lives is captured into its own WAV file.
class CaptureSink {
  public:
    CaptureSink() : folder_(dir_ / "capture") { plat::set_audio_sink(("wav:" + folder_).c_str()); }
    ~CaptureSink() { plat::set_audio_sink("null"); }
    CaptureSink(const CaptureSink&) = delete;
    CaptureSink& operator=(const CaptureSink&) = delete;

    // The captures of one stream ("media", "sound"), in the order made.
    std::vector<CapturedAudio> heard(const std::string& stream) const {
        std::vector<CapturedAudio> result;
        for (const std::string& path : captured_files(folder_, stream)) {
            result.push_back(read_captured_audio(path));
        }
        return result;
    }
    // All the captures of a stream, one after another.
    CapturedAudio all(const std::string& stream) const {
        CapturedAudio joined;
        for (const CapturedAudio& part : heard(stream)) {
            joined.rate = part.rate;
            joined.channels = part.channels;
            joined.samples.insert(joined.samples.end(), part.samples.begin(), part.samples.end());
        }
        return joined;
    }
    // Whether a capture of the stream has begun to sound (first-sound.txt).
    bool sounding(const std::string& stream) const {
        return read_file(folder_ + "/first-sound.txt").find(stream + "-") != std::string::npos;
    }
    const ScratchDir& dir() const { return dir_; }

  private:
    ScratchDir dir_;
    std::string folder_;
};

// The share of a short sound's energy above a frequency (its mean removed).
inline double high_band_share(const CapturedAudio& audio, double split_hz) {
    size_t n = audio.samples.size();
    if (n < 2 || audio.rate <= 0) {
        return 0;
    }
    double mean = 0;
    for (float s : audio.samples) {
        mean += s;
    }
    mean /= static_cast<double>(n);
    double low = 0;
    double high = 0;
    for (size_t k = 1; k <= n / 2; ++k) {
        std::complex<double> bin = 0;
        for (size_t t = 0; t < n; ++t) {
            bin +=
                (audio.samples[t] - mean) * std::polar(1.0, -2 * M_PI * double(k * t) / double(n));
        }
        (double(k) * audio.rate / double(n) >= split_hz ? high : low) += std::norm(bin);
    }
    return high / (low + high);
}

// Lives as the panel's thread does until the player thread has served every
// request posted so far.
inline bool settle(double timeout_seconds = 30) {
    return listen_until([] { return player_idle() == 1; }, timeout_seconds);
}

// What the player thread last reported playing.
inline int32_t reported_plays() {
    player_lock();
    int32_t plays = media_report.plays;
    player_unlock();
    return plays;
}
