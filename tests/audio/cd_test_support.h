// What the CD tests share: a fresh drive and radio, the MCI lines of the
// trace, short discs of plain tones, and waiting for the drive.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/cd.h"
#include "audio/mixer.h"
#include "audio/player_thread.h"
#include "platform/native/standin.h"
#include "tests/support/radio_reset.h"
#include "tests/support/scratch_dir.h"
#include "tools/demo_disc/wav_file.h"

using Lines = std::vector<std::string>;

inline void pause_for(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Makes a disc of steady tones, one track per frequency, in dir/name.
inline std::string make_tone_disc(const ScratchDir& dir, const std::string& name,
                                  const std::vector<double>& frequencies, double seconds,
                                  double amplitude = 0.5) {
    std::string folder = dir / name;
    std::filesystem::create_directories(folder);
    for (size_t i = 0; i < frequencies.size(); ++i) {
        char file[32];
        snprintf(file, sizeof file, "/%02zu.wav", i + 1);
        write_tone_wav(folder + file, frequencies[i], seconds, amplitude);
    }
    return folder;
}

// The drive's reply to a status query, or "error N".
inline std::string cd_status(const char* item) {
    char reply[128];
    std::string command = std::string("status cdaudio ") + item;
    MCIERROR error = mciSendStringA(command.c_str(), reply, sizeof reply, nullptr);
    return error == 0 ? std::string(reply) : "error " + std::to_string(error);
}

// Waits until the player thread has sent the commands asked of it so far.
inline bool sent(double limit_seconds = 10) {
    for (double waited = 0; waited < limit_seconds; waited += 0.01) {
        if (player_idle() == 1) {
            return true;
        }
        pause_for(0.01);
    }
    return false;
}

// Waits, up to a limit, for a disc to play out.
inline bool wait_until_not_playing(double limit_seconds) {
    for (double waited = 0; waited < limit_seconds; waited += 0.05) {
        if (cd_status("mode") != "playing") {
            return true;
        }
        pause_for(0.05);
    }
    return false;
}

// Every test starts with the radio as loaded (and posted so to the player
// thread), the device closed, a fresh mixer, silent output and the trace
// going to its own file; it ends with the player thread, where one ran.
class CdTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_radio();
        player_post_radio(radio_state.mode, radio_state.power, radio_state.paused);
        plat::set_audio_sink("null");
        plat::set_message_box_handler(nullptr);
        mciSendStringA("close cdaudio", nullptr, 0, nullptr);
        plat::set_cd_source("demo");
        plat::set_mixer_cd_range(0, 65535);
        mixer_handle = 0;
        volume_control = VolumeControl{0, 0, 0};
        trace_path = dir / "trace.txt";
        plat::trace_to(trace_path.c_str());
    }
    void TearDown() override {
        player_end();
        plat::trace_to(nullptr);
        plat::faults_set(nullptr);
        mciSendStringA("stop cdaudio", nullptr, 0, nullptr);
        mciSendStringA("close cdaudio", nullptr, 0, nullptr);
        plat::set_audio_sink("null");
    }

    // The trace lines since the last take, of the calls that start with prefix.
    Lines take_trace(const std::string& prefix = "mci") {
        Lines lines = lines_of(read_file(trace_path), prefix);
        std::filesystem::resize_file(trace_path, 0);
        return lines;
    }

    void power_on_in_cd_mode() {
        radio_state.power = 1;
        radio_state.mode = MODE_CD;
        radio_state.paused = 0;
    }

    ScratchDir dir;
    std::string trace_path;
};
