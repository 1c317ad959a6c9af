// The CD player's commands, read from the trace, and what the display and
// the tooltips make of the drive's answers.
#include <gtest/gtest.h>

#include "tests/audio/cd_test_support.h"

namespace {

const std::string restart_lines[] = {
    "mciSendStringA \"stop cdaudio\" -> 0",
    "mciSendStringA \"close cdaudio\" -> 0",
    "mciSendStringA \"open cdaudio\" -> 0",
    "mciSendStringA \"set cdaudio time format tmsf\" -> 0",
};

Lines restart_then(const Lines& more) {
    Lines lines(std::begin(restart_lines), std::end(restart_lines));
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

class CdPlayer : public CdTest {
  protected:
    void SetUp() override {
        CdTest::SetUp();
        twelve = make_tone_disc(dir, "twelve", std::vector<double>(12, 440.0), 3.0);
        plat::set_cd_source(twelve.c_str());
        ASSERT_EQ(cd_open(), 0u);
        take_trace();
        element.string = text;
    }

    std::string twelve;
    char text[3] = "xx";
    ELEMENT_STRING element{};
};

TEST_F(CdPlayer, OpenKeepsTheDeviceThatPlayRestartsByName) {
    EXPECT_EQ(cd_device, 1u);
    EXPECT_EQ(cd_play_track(3), 0u);
    EXPECT_EQ(cd_status("mode"), "playing");
    EXPECT_EQ(cd_status("current track"), "3");
    take_trace();

    // The identifier that the open kept names the reopened device.
    EXPECT_EQ(cd_stop(), 0u);
    EXPECT_EQ(cd_status("mode"), "stopped");
    EXPECT_EQ(cd_close(), 0u);
    EXPECT_EQ(take_trace(), (Lines{
                                "mciSendCommandA 1 MCI_STOP 0 -> 0",
                                "mciSendStringA \"status cdaudio mode\" 128 -> 0 \"stopped\"",
                                "mciSendCommandA 1 MCI_CLOSE 0 -> 0",
                            }));
}

TEST_F(CdPlayer, OpenSetsTracksTimeAndClosesWhenItCannot) {
    EXPECT_EQ(cd_close(), 0u);
    take_trace();
    EXPECT_EQ(cd_open(), 0u);
    EXPECT_EQ(take_trace(), (Lines{"mciSendCommandA 0 MCI_OPEN MCI_OPEN_TYPE \"cdaudio\" -> 0 1",
                                   "mciSendCommandA 1 MCI_SET MCI_SET_TIME_FORMAT 10 -> 0"}));
    EXPECT_EQ(cd_status("time format"), "tmsf");
    EXPECT_EQ(cd_close(), 0u);

    plat::faults_set("mciSendCommandA:MCI_SET");
    take_trace();
    EXPECT_EQ(cd_open(), static_cast<DWORD>(MCIERR_HARDWARE));
    EXPECT_EQ(take_trace(), (Lines{"mciSendCommandA 0 MCI_OPEN MCI_OPEN_TYPE \"cdaudio\" -> 0 1",
                                   "mciSendCommandA 1 MCI_SET MCI_SET_TIME_FORMAT 10 -> 262",
                                   "mciSendCommandA 1 MCI_CLOSE 0 -> 0"}));

    // No drive: the open fails and the device kept before stays.
    plat::faults_set(nullptr);
    cd_device = 7;
    plat::set_cd_source("absent");
    EXPECT_EQ(cd_open(), static_cast<DWORD>(MCIERR_CANNOT_LOAD_DRIVER));
    EXPECT_EQ(cd_device, 7u);
}

TEST_F(CdPlayer, ATrackPastTheDiscFallsBackToTheFirst) {
    EXPECT_EQ(cd_play_track(13), 0u);
    EXPECT_EQ(take_trace(), restart_then({"mciSendStringA \"play cdaudio from 13\" -> 282",
                                          "mciSendStringA \"play cdaudio from 1\" -> 0"}));
    EXPECT_EQ(cd_status("current track"), "1");
    take_trace();

    // A step back from track 0 sends the whole unsigned number.
    EXPECT_EQ(cd_play_track(4294967295u), 0u);
    EXPECT_EQ(take_trace(), restart_then({"mciSendStringA \"play cdaudio from 4294967295\" -> 282",
                                          "mciSendStringA \"play cdaudio from 1\" -> 0"}));
}

TEST_F(CdPlayer, WithoutAPlayableDiscTheFallbackErrorIsTheResult) {
    plat::set_cd_source("none");
    EXPECT_EQ(cd_play_track(2), static_cast<DWORD>(MCIERR_DEVICE_NOT_READY));
    plat::set_cd_source("data");
    EXPECT_EQ(cd_play_track(1), static_cast<DWORD>(MCIERR_HARDWARE));
    EXPECT_EQ(take_trace().back(), "mciSendStringA \"play cdaudio from 1\" -> 262");
    EXPECT_EQ(cd_status("mode"), "stopped");
}

TEST_F(CdPlayer, DisplayShowsTheTrackThatPlays) {
    power_on_in_cd_mode();
    ASSERT_EQ(cd_play_track(7), 0u);
    take_trace();
    EXPECT_EQ(cd_display_poll(&element), 7.0);
    EXPECT_STREQ(text, "07");
    EXPECT_EQ(radio_state.cd_playing, 1);
    EXPECT_EQ(take_trace(), (Lines{"mciSendStringA \"status cdaudio mode\" 128 -> 0 \"playing\"",
                                   "mciSendStringA \"status cdaudio current track\" 128 -> 0 "
                                   "\"7\""}));

    ASSERT_EQ(cd_play_track(12), 0u);
    EXPECT_EQ(cd_display_poll(&element), 12.0);
    EXPECT_STREQ(text, "12");

    // A failed track query repeats the last track.
    ASSERT_EQ(cd_play_track(3), 0u);
    plat::faults_set("mciSendStringA:status cdaudio current track");
    EXPECT_EQ(cd_display_poll(&element), 12.0);
    EXPECT_STREQ(text, "12");

    // A failed mode query is not playing.
    plat::faults_set("mciSendStringA:status cdaudio mode");
    cd_display_poll(&element);
    EXPECT_EQ(radio_state.cd_playing, 0);
}

TEST_F(CdPlayer, DisplayWritesTwoCharactersAtMostAndGivesTheUnsignedTrack) {
    power_on_in_cd_mode();
    radio_state.current_track = -1;
    radio_state.paused = 1;
    EXPECT_EQ(cd_display_poll(&element), 4294967295.0);
    // A number past two digits does not run past the display's buffer.
    radio_state.paused = 0;
    ASSERT_EQ(cd_play_track(1), 0u);
    char guarded[5] = "xxxx";
    element.string = guarded;
    radio_state.current_track = 123;
    plat::faults_set("mciSendStringA:status cdaudio current track");
    EXPECT_EQ(cd_display_poll(&element), 123.0);
    EXPECT_STREQ(guarded, "12");
    EXPECT_EQ(guarded[3], 'x');
}

TEST_F(CdPlayer, TooltipSaysWhenThereIsNoAudioCd) {
    radio_state.cd_playing = 1;
    take_trace();
    EXPECT_STREQ(cd_tooltip_text(), "");
    EXPECT_TRUE(take_trace().empty()) << "a playing disc is not asked";

    radio_state.cd_playing = 0;
    EXPECT_STREQ(cd_tooltip_text(), "");
    EXPECT_EQ(take_trace(), (Lines{"mciSendStringA \"status cdaudio type track 1\" 128 -> 0 "
                                   "\"audio\""}));

    const char* no_cd = "Audio CD not installed.";
    for (const char* source : {"none", "data", "absent"}) {
        plat::set_cd_source(source);
        EXPECT_STREQ(cd_tooltip_text(), no_cd) << source;
    }
}

}  // namespace
