// The radio's own FM and AM handlers over the real media player and click,
// with the CD and mixer recorded: every demo preset is heard.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/media.h"
#include "audio/sound.h"
#include "core/presets.h"
#include "core/radio_state.h"
#include "tests/audio/listening.h"
#include "tests/fakes/recording_backends.h"

namespace {

void assign(int slot, const std::string& path) {
    strcpy(preset_table.slots[slot].file_path, path.c_str());
    strcpy(preset_table.slots[slot].display_name, path.c_str());
}

// Separate sounds in a capture: runs above the threshold with more than
// gap seconds of quiet between them.
int bursts(const CapturedAudio& audio, float threshold, double gap) {
    int count = 0;
    size_t quiet = static_cast<size_t>(gap * audio.rate) + 1;
    for (float s : audio.samples) {
        bool loud = s > threshold || s < -threshold;
        if (loud && quiet > gap * audio.rate) {
            ++count;
        }
        quiet = loud ? 0 : quiet + 1;
    }
    return count;
}

TEST(FmScenario, EveryDemoPresetIsHeardWithItsClick) {
    CaptureSink sink;
    setenv("TMPDIR", sink.dir().path().c_str(), 1);
    backends_reset();
    for (int slot = 0; slot < PRESET_SLOTS; ++slot) {
        assign(slot, NO_FILE_ASSIGNED);
    }
    const char* demos[] = {"Sound/chimes.wav", "Sound/pad.mp3", "Sound/breeze.wma",
                           "Sound/waltz.mid"};
    for (int i = 0; i < 3; ++i) {
        assign(i, source_file(demos[i]));
    }
    // AM preset 2 plays the module's own click, through a temporary file.
    assign(AM_SLOT_OFFSET, source_file(demos[3]));
    assign(AM_SLOT_OFFSET + 1, "CLICK_RCD");
    radio_state = RadioState{0, MODE_CD, 0, 0, 0, 0, 0, 0, -600, -8000};

    // Pre-install, as the service routine does it.
    sound_init(nullptr);
    click_sound = sound_load_wav("CLICK_RCD");
    sound_set_volume(click_sound, -500);
    media_init(nullptr, 0, 0, 0, 0);
    presets_open_all();
    media_set_volume(radio_state.media_volume);
    for (int slot : {0, 1, 2, 6, 7}) {
        EXPECT_NE(preset_table.slots[slot].media_handle, nullptr) << slot;
    }
    EXPECT_STREQ(preset_table.slots[3].display_name, NO_FILE_ASSIGNED);

    // A click lasts 6 ms; no hand presses two buttons faster than that.
    on_power(nullptr, 0);
    listen(0.1);
    on_mode_fm(nullptr, 0);
    listen(0.7);
    on_preset<2>(nullptr, CLICK_LEFT_SINGLE);
    listen(0.7);
    on_preset<3>(nullptr, CLICK_LEFT_SINGLE);
    listen(0.7);
    on_mode_am(nullptr, 0);  // AM preset 3 has no file: silence
    listen(0.3);
    on_preset<1>(nullptr, CLICK_LEFT_SINGLE);
    listen(0.9);
    on_preset<2>(nullptr, CLICK_LEFT_SINGLE);
    listen(0.2);
    on_power(nullptr, 0);
    listen(0.1);

    // Pre-kill.
    media_shutdown();
    sound_release_buffer(click_sound);
    sound_shutdown();
    CoUninitialize();
    unsetenv("TMPDIR");

    std::vector<CapturedAudio> heard = sink.heard("media");
    ASSERT_EQ(heard.size(), 5u) << "chimes, pad, breeze, waltz, click";
    for (size_t i = 0; i < 4; ++i) {
        CapturedAudio part = sounding(heard[i], 0.005f);
        EXPECT_GT(part.seconds(), 0.5) << i;
        EXPECT_GT(part.rms(), 0.01) << i;
    }
    // The click as a preset: heard once and then it loops.
    EXPECT_GE(bursts(heard[4], 0.05f, 0.003), 1);

    // Power, FM, preset 2, preset 3, AM, preset 1, preset 2, power.
    EXPECT_EQ(bursts(sink.all("sound"), 0.05f, 0.05), 8);
}

// Without a sound device or a filter graph the radio still works: every
// button does its part of the job, silently, and pre-kill goes through.
TEST(FmScenario, WithoutSoundTheRadioStillWorks) {
    CaptureSink sink;
    backends_reset();
    for (int slot = 0; slot < PRESET_SLOTS; ++slot) {
        assign(slot, NO_FILE_ASSIGNED);
    }
    assign(0, source_file("Sound/chimes.wav"));
    radio_state = RadioState{0, MODE_CD, 0, 0, 0, 0, 0, 0, -2000, -8000};
    plat::faults_set("CoCreateInstance");
    sound_init(nullptr);
    click_sound = sound_load_wav("CLICK_RCD");
    sound_set_volume(click_sound, -500);
    media_init(nullptr, 0, 0, 0, 0);
    presets_open_all();
    media_set_volume(radio_state.media_volume);
    EXPECT_EQ(click_sound, nullptr);
    EXPECT_STREQ(preset_table.slots[0].display_name, FILE_NOT_FOUND);

    on_power(nullptr, 0);
    on_mode_fm(nullptr, 0);
    on_preset<2>(nullptr, CLICK_LEFT_SINGLE);
    on_volume_up(nullptr, 0);
    on_pause(nullptr, 0);
    listen(0.2);
    EXPECT_EQ(radio_state.power, 1);
    EXPECT_EQ(radio_state.mode, MODE_FM);
    EXPECT_EQ(radio_state.preset, 1);
    EXPECT_EQ(radio_state.lamp, 2);
    EXPECT_EQ(radio_state.media_volume, -1850);
    EXPECT_EQ(radio_state.paused, 1);
    EXPECT_EQ(media_player.volume, -1850);

    media_shutdown();
    sound_release_buffer(click_sound);
    sound_shutdown();
    CoUninitialize();
    plat::faults_set(nullptr);
    EXPECT_TRUE(sink.heard("media").empty());
    EXPECT_TRUE(sounding(sink.all("sound")).empty());
}

}  // namespace
