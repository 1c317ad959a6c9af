// The control handlers: state changes and the back-end calls, in order.
#include "core/controls.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/presets.h"
#include "platform/native/standin.h"
#include "tests/fakes/recording_backends.h"
#include "tests/support/radio_reset.h"
#include "tests/support/scratch_dir.h"

namespace {

using Calls = std::vector<std::string>;

class Controls : public ::testing::Test {
  protected:
    void SetUp() override { reset_radio(); }

    // Gives a slot a file that opened.
    void assign(int slot, const char* path) {
        strcpy(preset_table.slots[slot].file_path, path);
        strcpy(preset_table.slots[slot].display_name, path);
        preset_table.slots[slot].media_handle = preset_table.slots[slot].file_path;
    }

    void power_on(int32_t mode, int32_t preset) {
        radio_state.power = 1;
        radio_state.mode = mode;
        radio_state.preset = preset;
    }

    Calls take_calls() {
        Calls calls = backend_calls;
        backend_calls.clear();
        return calls;
    }
};

TEST_F(Controls, PowerStartsAndStopsTheSourceOfTheMode) {
    on_power(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "cd_play_track 1"}));
    EXPECT_EQ(radio_state.power, 1);

    on_power(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "cd_stop"}));
    EXPECT_EQ(radio_state.power, 0);

    assign(2, "fm3.wav");
    assign(8, "am3.mp3");
    radio_state.preset = 2;
    radio_state.mode = MODE_FM;
    radio_state.paused = 1;
    on_power(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "media_play fm3.wav 1"}));
    EXPECT_EQ(radio_state.paused, 0);
    on_power(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "media_stop"}));

    radio_state.mode = MODE_AM;
    on_power(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "media_play am3.mp3 1"}));
    EXPECT_EQ(radio_state.lamp, 0) << "power leaves the lamp alone";
}

TEST_F(Controls, PowerOnASlotWithoutAFilePlaysNothing) {
    radio_state.mode = MODE_FM;
    on_power(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0"}));
    EXPECT_EQ(radio_state.power, 1);
}

TEST_F(Controls, DoorWorksOnlyInPoweredCdModeAndNeverClicks) {
    radio_state.paused = 1;
    on_door(nullptr, 0);
    EXPECT_TRUE(take_calls().empty());
    EXPECT_EQ(radio_state.paused, 0);
    EXPECT_EQ(radio_state.door_open, 0);

    power_on(MODE_FM, 0);
    on_door(nullptr, 0);
    EXPECT_TRUE(take_calls().empty());

    radio_state.mode = MODE_CD;
    on_door(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"cd_stop", "cd_door_open"}));
    EXPECT_EQ(radio_state.door_open, 1);
    on_door(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"cd_door_close"}));
    EXPECT_EQ(radio_state.door_open, 0);

    on_door(nullptr, 0);
    radio_state.power = 0;
    on_door(nullptr, 0);
    EXPECT_EQ(radio_state.door_open, 1) << "the tray state outlives the power";
}

TEST_F(Controls, ModeButtonsSelectAndPlayOnlyWithPower) {
    radio_state.preset = 3;
    on_mode_fm(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "cd_stop", "media_stop"}));
    EXPECT_EQ(radio_state.mode, MODE_FM);
    EXPECT_EQ(radio_state.lamp, 4);

    on_mode_am(nullptr, 0);
    EXPECT_EQ(radio_state.mode, MODE_AM);
    EXPECT_EQ(radio_state.lamp, 10);
    take_calls();

    on_mode_cd(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "media_stop"}));
    EXPECT_EQ(radio_state.lamp, 0);

    assign(3, "fm4.mid");
    assign(9, "am4.wma");
    radio_state.power = 1;
    radio_state.paused = 1;
    on_mode_cd(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "media_stop", "cd_play_track 4"}));
    EXPECT_EQ(radio_state.paused, 0);
    on_mode_fm(nullptr, 0);
    EXPECT_EQ(take_calls(),
              (Calls{"sound_play 0", "cd_stop", "media_stop", "media_play fm4.mid 1"}));
    on_mode_am(nullptr, 0);
    EXPECT_EQ(take_calls(),
              (Calls{"sound_play 0", "cd_stop", "media_stop", "media_play am4.wma 1"}));
}

TEST_F(Controls, PresetLeftClickSelectsAndPlaysInEveryMode) {
    on_preset<4>(nullptr, CLICK_LEFT_SINGLE);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "media_stop"}));
    EXPECT_EQ(radio_state.preset, 3);
    EXPECT_EQ(radio_state.lamp, 0);

    radio_state.power = 1;
    radio_state.paused = 1;
    on_preset<6>(nullptr, CLICK_LEFT_SINGLE);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "media_stop", "cd_play_track 6"}));
    EXPECT_EQ(radio_state.paused, 0);

    assign(1, "fm2.wav");
    assign(7, "am2.wav");
    radio_state.mode = MODE_FM;
    on_preset<2>(nullptr, CLICK_LEFT_SINGLE);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "media_stop", "media_play fm2.wav 1"}));
    EXPECT_EQ(radio_state.lamp, 2);

    radio_state.mode = MODE_AM;
    on_preset<2>(nullptr, CLICK_LEFT_SINGLE);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "media_stop", "media_play am2.wav 1"}));
    EXPECT_EQ(radio_state.lamp, 8);

    on_preset<5>(nullptr, CLICK_LEFT_SINGLE);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "media_stop"})) << "an empty slot is silent";

    on_preset<1>(nullptr, CLICK_LEFT_SINGLE | CLICK_RIGHT_SINGLE);
    EXPECT_TRUE(take_calls().empty()) << "flags are compared whole";
    EXPECT_EQ(radio_state.preset, 4);
}

class PresetAssignment : public Controls {
  protected:
    void SetUp() override {
        Controls::SetUp();
        write_file(dir / "Music/Rain.mp3", "rain");
        write_file(dir / "Music/Broken.wav", "not audio");
        rain = dir / "Music/Rain.mp3";
        broken = dir / "Music/Broken.wav";
        playable_files.insert(rain);
    }
    ScratchDir dir;
    std::string rain;
    std::string broken;
};

TEST_F(PresetAssignment, RightClickDoesNothingInCdModeOrWithPowerOff) {
    plat::dialog_answer(rain.c_str());
    on_preset<3>(nullptr, CLICK_RIGHT_SINGLE);
    radio_state.power = 1;
    on_preset<3>(nullptr, CLICK_RIGHT_SINGLE);
    radio_state.power = 0;
    radio_state.mode = MODE_FM;
    on_preset<3>(nullptr, CLICK_RIGHT_SINGLE);
    EXPECT_TRUE(take_calls().empty()) << "not even a click";
    EXPECT_EQ(radio_state.preset, 0);
}

TEST_F(PresetAssignment, ChosenPlayableFileIsAssignedAndPlays) {
    power_on(MODE_FM, 0);
    radio_state.paused = 1;
    plat::dialog_answer(rain.c_str());
    on_preset<3>(nullptr, CLICK_RIGHT_SINGLE);

    const PresetSlot& slot = preset_table.slots[2];
    EXPECT_EQ(take_calls(), (Calls{"media_stop", "media_open " + rain, "media_open " + rain,
                                   "media_play " + rain + " 1"}));
    EXPECT_STREQ(slot.file_path, rain.c_str());
    EXPECT_STREQ(slot.display_name, "Rain.mp3");
    EXPECT_EQ(slot.media_handle, slot.file_path) << "the handle names the slot's own text";
    EXPECT_STREQ(slot.saved_name, "");
    EXPECT_EQ(radio_state.preset, 2);
    EXPECT_EQ(radio_state.lamp, 3);
    EXPECT_EQ(radio_state.paused, 0);
    EXPECT_EQ(std::string(browse_folder), dir / "Music/");
}

TEST_F(PresetAssignment, AmButtonFillsTheAmSlot) {
    power_on(MODE_AM, 0);
    plat::dialog_answer(rain.c_str());
    on_preset<6>(nullptr, CLICK_RIGHT_SINGLE);
    EXPECT_STREQ(preset_table.slots[11].display_name, "Rain.mp3");
    EXPECT_EQ(radio_state.lamp, 12);
    EXPECT_STREQ(preset_table.slots[5].file_path, "");
}

TEST_F(PresetAssignment, RejectedFileLeavesTheOldNamesAndSilence) {
    power_on(MODE_FM, 1);
    assign(1, "old.wav");
    plat::dialog_answer(broken.c_str());
    on_preset<2>(nullptr, CLICK_RIGHT_SINGLE);

    const PresetSlot& slot = preset_table.slots[1];
    EXPECT_EQ(take_calls(), (Calls{"media_stop", "media_open " + broken}));
    EXPECT_EQ(slot.media_handle, nullptr);
    EXPECT_STREQ(slot.file_path, "old.wav");
    EXPECT_STREQ(slot.display_name, "old.wav");
}

TEST_F(PresetAssignment, CancelKeepsTheSelectionAndTheSlot) {
    power_on(MODE_FM, 0);
    assign(3, "old.wav");
    plat::dialog_cancel();
    on_preset<4>(nullptr, CLICK_RIGHT_SINGLE);
    EXPECT_EQ(take_calls(), (Calls{"media_stop"}));
    EXPECT_EQ(radio_state.preset, 3);
    EXPECT_EQ(radio_state.lamp, 4);
    EXPECT_EQ(preset_table.slots[3].media_handle, preset_table.slots[3].file_path);
    EXPECT_STREQ(browse_folder, BROWSE_FOLDER_AT_LOAD);
}

TEST_F(Controls, VolumeButtonsStepTheModesLevelUpToOneStepPastTheEnds) {
    on_volume_up(nullptr, 0);
    EXPECT_TRUE(take_calls().empty()) << "nothing with the power off";

    radio_state.power = 1;
    radio_state.paused = 1;
    on_volume_up(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"mixer_volume_set -7850"}));
    EXPECT_EQ(radio_state.media_volume, -2000);
    EXPECT_EQ(radio_state.paused, 1) << "volume neither clicks nor resumes";

    radio_state.mode = MODE_FM;
    on_volume_down(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"media_set_volume -2150"}));
    EXPECT_EQ(radio_state.cd_volume, -7850);

    radio_state.media_volume = -9950;
    on_volume_down(nullptr, 0);
    on_volume_down(nullptr, 0);
    EXPECT_EQ(radio_state.media_volume, -10100);
    EXPECT_EQ(take_calls(), (Calls{"media_set_volume -10100"}));

    radio_state.media_volume = -50;
    on_volume_up(nullptr, 0);
    on_volume_up(nullptr, 0);
    EXPECT_EQ(radio_state.media_volume, 100);
    EXPECT_EQ(take_calls(), (Calls{"media_set_volume 100"}));
}

TEST_F(Controls, TrackButtonsStepTheDiscOrAPlaylistPreset) {
    on_next_track(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0"}));

    radio_state.power = 1;
    on_next_track(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "cd_play_track 1"}));
    on_prev_track(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "cd_play_track 4294967295"}));

    radio_state.current_track = 12;
    radio_state.paused = 1;
    on_next_track(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "cd_play_track 13"}));
    EXPECT_EQ(radio_state.paused, 0);

    radio_state.mode = MODE_FM;
    radio_state.paused = 1;
    on_prev_track(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0"}));
    EXPECT_EQ(radio_state.paused, 0);

    // In FM and AM a playlist preset steps through its entries; a file
    // preset only clicks, and so does any preset with the power off.
    assign(0, "fm1.wav");
    assign(1, "trip.m3u");
    assign(7, "radio.PLS");
    on_next_track(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0"}));
    radio_state.preset = 1;
    radio_state.paused = 1;
    on_next_track(nullptr, 0);
    on_prev_track(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "media_step trip.m3u 1", "sound_play 0",
                                   "media_step trip.m3u -1"}));
    EXPECT_EQ(radio_state.paused, 0);
    radio_state.mode = MODE_AM;
    on_prev_track(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "media_step radio.PLS -1"}));
    radio_state.power = 0;
    on_next_track(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0"}));
}

TEST_F(Controls, PauseStopsAndResumeStartsAgainFromTheBeginning) {
    on_pause(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0"}));
    EXPECT_EQ(radio_state.paused, 0);

    power_on(MODE_CD, 0);
    radio_state.current_track = 7;
    on_pause(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "cd_stop"}));
    EXPECT_EQ(radio_state.paused, 1);
    on_pause(nullptr, 0);
    EXPECT_EQ(take_calls(), (Calls{"sound_play 0", "cd_play_track 7"}));
    EXPECT_EQ(radio_state.paused, 0);

    assign(8, "am3.wav");
    assign(4, "fm5.wav");
    power_on(MODE_AM, 2);
    on_pause(nullptr, 0);
    on_pause(nullptr, 0);
    EXPECT_EQ(take_calls(),
              (Calls{"sound_play 0", "media_stop", "sound_play 0", "media_play am3.wav 1"}));

    // Pause, then another preset: it plays and the pause is over.
    radio_state.mode = MODE_FM;
    on_pause(nullptr, 0);
    on_preset<5>(nullptr, CLICK_LEFT_SINGLE);
    EXPECT_EQ(radio_state.paused, 0);
    EXPECT_EQ(take_calls().back(), "media_play fm5.wav 1");
}

}  // namespace
