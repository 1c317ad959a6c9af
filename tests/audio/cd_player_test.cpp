// The CD player's commands, read from the trace; the watch that asks the
// drive, and what the display and the tooltips make of its answers; and the
// player thread restarting a disc that stopped by itself, once.
#include <gtest/gtest.h>

#include "audio/cd_commands.h"
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
        ASSERT_EQ(cd_send_open(), 0u);
        take_trace();
        element.string = text;
    }

    // The display posts the radio's switches; the watch, due, asks the drive
    // as the player thread would; the display shows what it heard.
    FLOAT64 look() {
        cd_display_poll(&element);
        cd_watch(clock += 5000);
        return cd_display_poll(&element);
    }

    // What on_pause does in CD mode: the stop, then the switch.
    void on_pause_like_the_handler() {
        cd_stop();
        radio_state.paused = 1;
    }

    // Later than any look before, in this test or another.
    inline static DWORD clock = GetTickCount() + 10000;

    std::string twelve;
    char text[3] = "xx";
    ELEMENT_STRING element{};
};

TEST_F(CdPlayer, OpenKeepsTheDeviceThatPlayRestartsByName) {
    EXPECT_EQ(cd_device, 1u);
    EXPECT_EQ(cd_send_play_track(3), 0u);
    EXPECT_EQ(cd_status("mode"), "playing");
    EXPECT_EQ(cd_status("current track"), "3");
    take_trace();

    // The identifier that the open kept names the reopened device.
    EXPECT_EQ(cd_send_stop(), 0u);
    EXPECT_EQ(cd_status("mode"), "stopped");
    EXPECT_EQ(cd_send_close(), 0u);
    EXPECT_EQ(take_trace(), (Lines{
                                "mciSendCommandA 1 MCI_STOP 0 -> 0",
                                "mciSendStringA \"status cdaudio mode\" 128 -> 0 \"stopped\"",
                                "mciSendCommandA 1 MCI_CLOSE 0 -> 0",
                            }));
}

TEST_F(CdPlayer, OpenSetsTracksTimeAndClosesWhenItCannot) {
    EXPECT_EQ(cd_send_close(), 0u);
    take_trace();
    EXPECT_EQ(cd_send_open(), 0u);
    EXPECT_EQ(take_trace(), (Lines{"mciSendCommandA 0 MCI_OPEN MCI_OPEN_TYPE \"cdaudio\" -> 0 1",
                                   "mciSendCommandA 1 MCI_SET MCI_SET_TIME_FORMAT 10 -> 0"}));
    EXPECT_EQ(cd_status("time format"), "tmsf");
    EXPECT_EQ(cd_send_close(), 0u);

    plat::faults_set("mciSendCommandA:MCI_SET");
    take_trace();
    EXPECT_EQ(cd_send_open(), static_cast<DWORD>(MCIERR_HARDWARE));
    EXPECT_EQ(take_trace(), (Lines{"mciSendCommandA 0 MCI_OPEN MCI_OPEN_TYPE \"cdaudio\" -> 0 1",
                                   "mciSendCommandA 1 MCI_SET MCI_SET_TIME_FORMAT 10 -> 262",
                                   "mciSendCommandA 1 MCI_CLOSE 0 -> 0"}));

    // No drive: the open fails and the device kept before stays.
    plat::faults_set(nullptr);
    cd_device = 7;
    plat::set_cd_source("absent");
    EXPECT_EQ(cd_send_open(), static_cast<DWORD>(MCIERR_CANNOT_LOAD_DRIVER));
    EXPECT_EQ(cd_device, 7u);
}

TEST_F(CdPlayer, ATrackPastTheDiscFallsBackToTheFirst) {
    EXPECT_EQ(cd_send_play_track(13), 0u);
    EXPECT_EQ(take_trace(), restart_then({"mciSendStringA \"play cdaudio from 13\" -> 282",
                                          "mciSendStringA \"play cdaudio from 1\" -> 0"}));
    EXPECT_EQ(cd_status("current track"), "1");
    take_trace();

    // A step back from track 0 sends the whole unsigned number.
    EXPECT_EQ(cd_send_play_track(4294967295u), 0u);
    EXPECT_EQ(take_trace(), restart_then({"mciSendStringA \"play cdaudio from 4294967295\" -> 282",
                                          "mciSendStringA \"play cdaudio from 1\" -> 0"}));
}

TEST_F(CdPlayer, WithoutAPlayableDiscTheFallbackErrorIsTheResult) {
    plat::set_cd_source("none");
    EXPECT_EQ(cd_send_play_track(2), static_cast<DWORD>(MCIERR_DEVICE_NOT_READY));
    plat::set_cd_source("data");
    EXPECT_EQ(cd_send_play_track(1), static_cast<DWORD>(MCIERR_HARDWARE));
    EXPECT_EQ(take_trace().back(), "mciSendStringA \"play cdaudio from 1\" -> 262");
    EXPECT_EQ(cd_status("mode"), "stopped");
}

TEST_F(CdPlayer, DisplayShowsTheTrackThatPlays) {
    power_on_in_cd_mode();
    ASSERT_EQ(cd_send_play_track(7), 0u);
    take_trace();
    EXPECT_EQ(look(), 7.0);
    EXPECT_STREQ(text, "07");
    EXPECT_EQ(radio_state.cd_playing, 1);
    EXPECT_EQ(take_trace(), (Lines{"mciSendStringA \"status cdaudio mode\" 128 -> 0 \"playing\"",
                                   "mciSendStringA \"status cdaudio current track\" 128 -> 0 "
                                   "\"7\""}));

    ASSERT_EQ(cd_send_play_track(12), 0u);
    EXPECT_EQ(look(), 12.0);
    EXPECT_STREQ(text, "12");

    // A failed track query repeats the last track.
    ASSERT_EQ(cd_send_play_track(3), 0u);
    plat::faults_set("mciSendStringA:status cdaudio current track");
    EXPECT_EQ(look(), 12.0);
    EXPECT_STREQ(text, "12");

    // A failed mode query is not playing.
    plat::faults_set("mciSendStringA:status cdaudio mode");
    look();
    EXPECT_EQ(radio_state.cd_playing, 0);
}

TEST_F(CdPlayer, DisplayWritesTwoCharactersAtMostAndGivesTheUnsignedTrack) {
    power_on_in_cd_mode();
    radio_state.current_track = -1;
    radio_state.paused = 1;
    EXPECT_EQ(look(), 4294967295.0);
    // A number past two digits does not run past the display's buffer.
    radio_state.paused = 0;
    ASSERT_EQ(cd_send_play_track(1), 0u);
    char guarded[5] = "xxxx";
    element.string = guarded;
    radio_state.current_track = 123;
    plat::faults_set("mciSendStringA:status cdaudio current track");
    EXPECT_EQ(look(), 123.0);
    EXPECT_STREQ(guarded, "12");
    EXPECT_EQ(guarded[3], 'x');
}

TEST_F(CdPlayer, TooltipSaysWhenThereIsNoAudioCd) {
    const std::string kind = "mciSendStringA \"status cdaudio type";
    ASSERT_EQ(cd_send_play_track(1), 0u);
    take_trace();
    look();
    EXPECT_STREQ(cd_tooltip_text(), "");
    EXPECT_TRUE(take_trace(kind).empty()) << "a playing disc is not asked";

    ASSERT_EQ(cd_send_stop(), 0u);
    look();
    EXPECT_STREQ(cd_tooltip_text(), "");
    EXPECT_EQ(take_trace(kind),
              (Lines{"mciSendStringA \"status cdaudio type track 1\" 128 -> 0 \"audio\""}));

    const char* no_cd = "Audio CD not installed.";
    for (const char* source : {"none", "data", "absent"}) {
        plat::set_cd_source(source);
        look();
        EXPECT_STREQ(cd_tooltip_text(), no_cd) << source;
    }
}

// The display at each update, 18 a second, with the player thread: a disc
// that played to its end starts again once, not at every update while the
// restart is on its way; paused, it is left stopped.
TEST_F(CdPlayer, TheThreadRestartsADiscThatStoppedOncePerStop) {
    std::string disc = dir / "restart";
    std::filesystem::create_directories(disc);
    write_tone_wav(disc + "/01.wav", 500, 3.0);
    write_tone_wav(disc + "/02.wav", 700, 0.3);
    plat::set_cd_source(disc.c_str());
    power_on_in_cd_mode();
    cd_open();
    cd_play_track(2);
    auto updates = [this](double seconds) {
        for (double passed = 0; passed < seconds; passed += 1.0 / 18) {
            cd_display_poll(&element);
            pause_for(1.0 / 18);
        }
    };
    updates(1.5);
    const std::string restart = "mciSendStringA \"play cdaudio from 1\"";
    EXPECT_EQ(take_trace(restart).size(), 1u);
    EXPECT_STREQ(text, "01");

    on_pause_like_the_handler();
    updates(0.6);
    EXPECT_TRUE(take_trace(restart).empty());
    EXPECT_EQ(cd_status("mode"), "stopped");
}

}  // namespace
