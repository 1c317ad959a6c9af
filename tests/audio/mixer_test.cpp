// The CD volume: levels turned into the mixer control's values, and the two
// failures the user is told about.
#include <gtest/gtest.h>

#include "tests/audio/cd_test_support.h"

namespace {

// What the CD line's volume control holds now, read as any program would.
DWORD control_value() {
    MIXERCONTROLDETAILS_UNSIGNED value = {0};
    MIXERCONTROLDETAILS details;
    memset(&details, 0, sizeof details);
    details.cbStruct = sizeof details;
    details.dwControlID = volume_control.id != 0 ? volume_control.id : 1;
    details.cChannels = 1;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    EXPECT_EQ(mixerGetControlDetailsA(nullptr, &details, MIXER_GETCONTROLDETAILSF_VALUE), 0u);
    return value.dwValue;
}

struct Message {
    std::string text, caption;
    UINT type;
    bool operator==(const Message& other) const {
        return text == other.text && caption == other.caption && type == other.type;
    }
};

class MixerVolume : public CdTest {
  protected:
    void SetUp() override {
        CdTest::SetUp();
        plat::set_message_box_handler([this](const char* text, const char* caption, UINT type) {
            messages.push_back(Message{text, caption, type});
            return IDOK;
        });
    }
    std::vector<Message> messages;
};

TEST_F(MixerVolume, LevelsMapLinearlyOntoTheWholeRange) {
    ASSERT_EQ(mixer_volume_open(), 1);
    EXPECT_NE(mixer_handle, nullptr);
    EXPECT_EQ(volume_control.minimum, 0u);
    EXPECT_EQ(volume_control.maximum, 65535u);
    struct Case {
        VolumeLevel level;
        DWORD value;
    };
    for (Case c : {Case{-8000, 13107}, Case{-1000, 58981}, Case{0, 65535}, Case{-10000, 0},
                   Case{-2150, 51117}, Case{-2200, 51117}, Case{-2101, 51117}, Case{-9950, 0},
                   Case{-10100, 0}, Case{100, 65535}, Case{-10150, 0}, Case{150, 65535}}) {
        mixer_volume_set(c.level);
        EXPECT_EQ(control_value(), c.value) << c.level;
    }
    EXPECT_EQ(mixer_volume_close(), 1);
    EXPECT_EQ(mixer_handle, nullptr);
    EXPECT_TRUE(messages.empty());
}

TEST_F(MixerVolume, ValuesStayInTheControlsOwnRange) {
    plat::set_mixer_cd_range(100, 1100);
    ASSERT_EQ(mixer_volume_open(), 1);
    mixer_volume_set(-5000);
    EXPECT_EQ(control_value(), 600u);
    mixer_volume_set(-10000);
    EXPECT_EQ(control_value(), 100u);
    mixer_volume_set(0);
    EXPECT_EQ(control_value(), 1100u);
    EXPECT_EQ(mixer_volume_close(), 1);

    // The full 32-bit range does not overflow.
    plat::set_mixer_cd_range(0, 0xFFFFFFFFu);
    ASSERT_EQ(mixer_volume_open(), 1);
    mixer_volume_set(-5000);
    EXPECT_EQ(control_value(), 2147483647u);
    mixer_volume_set(0);
    EXPECT_EQ(control_value(), 0xFFFFFFFFu);
    EXPECT_EQ(mixer_volume_close(), 1);
}

TEST_F(MixerVolume, OpenAsksForTheCdLinesVolumeAndReadsIt) {
    ASSERT_EQ(mixer_volume_open(), 1);
    EXPECT_EQ(
        take_trace("mixer"),
        (Lines{"mixerOpen 0 0 0 0 -> 0", "mixerGetLineInfoA dwComponentType=4101 3 -> 0 dwLineID=1",
               "mixerGetLineControlsA dwLineID=1 dwControlType=1342373889 2 -> 0 "
               "dwControlID=1 dwMinimum=0 dwMaximum=65535",
               "mixerGetControlDetailsA dwControlID=1 0 -> 0 value=65535"}));
    mixer_volume_set(-8000);
    EXPECT_EQ(take_trace("mixer"),
              (Lines{"mixerSetControlDetails dwControlID=1 value=13107 0 -> 0"}));
    mixer_volume_close();
}

TEST_F(MixerVolume, AMixerThatDoesNotOpenIsToldTwiceAndLeftAlone) {
    plat::faults_set("mixerOpen");
    EXPECT_EQ(mixer_volume_open(), 0);
    EXPECT_EQ(mixer_handle, nullptr);
    mixer_volume_set(-8000);
    EXPECT_EQ(control_value(), 65535u);
    EXPECT_EQ(mixer_volume_close(), 0);
    const Message open_failed{"Unable to open Mixer Controls.", "Volume Control Error",
                              MB_ICONHAND};
    const Message close_failed{"Unable to close Mixer Controls.", "Volume Control Error",
                               MB_ICONHAND};
    EXPECT_EQ(messages, (std::vector<Message>{open_failed, close_failed}));
}

TEST_F(MixerVolume, AMixerThatDoesNotCloseStaysOpen) {
    ASSERT_EQ(mixer_volume_open(), 1);
    HMIXER open = mixer_handle;
    plat::faults_set("mixerClose");
    EXPECT_EQ(mixer_volume_close(), 0);
    EXPECT_EQ(mixer_handle, open);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Unable to close Mixer Controls.");
    plat::faults_set(nullptr);
    EXPECT_EQ(mixer_volume_close(), 1);
}

TEST_F(MixerVolume, WithoutACdLineNothingIsSetAndNothingIsSaid) {
    for (const char* missing : {"mixerGetLineInfoA", "mixerGetLineControlsA"}) {
        plat::faults_set(missing);
        EXPECT_EQ(mixer_volume_open(), 0) << missing;
        mixer_volume_set(-8000);
        plat::faults_set(nullptr);
        EXPECT_EQ(control_value(), 65535u) << missing;
        EXPECT_EQ(mixer_volume_close(), 1) << "the mixer stayed open";
    }
    plat::faults_set("mixerGetControlDetailsA");
    EXPECT_EQ(mixer_volume_open(), 0);
    plat::faults_set(nullptr);
    mixer_volume_close();
    EXPECT_TRUE(messages.empty());
}

}  // namespace
