// Listening to the virtual drive: what it plays is captured to WAV files and
// measured.
#include <gtest/gtest.h>

#include "tests/audio/cd_test_support.h"
#include "tests/support/captured_audio.h"
#include "tools/demo_disc/demo_tunes.h"

namespace {

class CdListening : public CdTest {
  protected:
    void SetUp() override {
        CdTest::SetUp();
        captures = dir / "captures";
        ASSERT_TRUE(plat::set_audio_sink(("wav:" + captures).c_str()));
    }

    std::vector<CapturedAudio> heard() {
        sent();
        std::vector<CapturedAudio> runs;
        for (const std::string& path : captured_files(captures, "cd")) {
            runs.push_back(read_captured_audio(path));
        }
        return runs;
    }

    std::string captures;
};

TEST_F(CdListening, TheTrackAskedForIsTheTrackHeard) {
    ASSERT_EQ(cd_open(), 0u);
    for (int track : {5, 2, 8}) {
        ASSERT_EQ(cd_play_track(static_cast<UINT>(track)), 0u);
        pause_for(0.6);
        cd_stop();
    }
    std::vector<CapturedAudio> runs = heard();
    ASSERT_EQ(runs.size(), 3u);
    int i = 0;
    for (int track : {5, 2, 8}) {
        CapturedAudio run = runs[i++].slice(0.05, 0.55);
        ASSERT_GT(run.seconds(), 0.3) << "track " << track;
        EXPECT_NEAR(run.dominant_frequency(80, 400, 1), demo_base_pitch(track), 2.5)
            << "track " << track;
    }
}

TEST_F(CdListening, PlayRunsOnIntoTheNextTrackToTheEndOfTheDisc) {
    const std::vector<double> tones = {300, 500, 700, 900, 1100};
    std::string disc = make_tone_disc(dir, "disc", tones, 0.6);
    plat::set_cd_source(disc.c_str());
    ASSERT_EQ(cd_open(), 0u);
    ASSERT_EQ(cd_play_track(2), 0u);
    ASSERT_TRUE(sent());
    ASSERT_TRUE(wait_until_not_playing(8));
    EXPECT_EQ(cd_status("current track"), "5");

    std::vector<CapturedAudio> runs = heard();
    ASSERT_EQ(runs.size(), 1u);
    const CapturedAudio& run = runs[0];
    EXPECT_NEAR(run.seconds(), 2.4, 0.1) << "tracks 2 to 5, and no more";
    for (size_t track = 2; track <= tones.size(); ++track) {
        double start = (track - 2) * 0.6;
        EXPECT_NEAR(run.slice(start + 0.1, start + 0.5).dominant_frequency(), tones[track - 1], 5)
            << "track " << track;
    }
    EXPECT_LT(run.slice(0.1, 2.3).longest_silence(), 0.01) << "no gap between the tracks";
}

TEST_F(CdListening, StopSilencesThePlay) {
    std::string disc = make_tone_disc(dir, "disc", {440}, 8.0);
    plat::set_cd_source(disc.c_str());
    ASSERT_EQ(cd_open(), 0u);
    ASSERT_EQ(cd_play_track(1), 0u);
    pause_for(0.5);
    ASSERT_EQ(cd_stop(), 0u);
    pause_for(0.5);
    ASSERT_TRUE(sent());
    EXPECT_EQ(cd_status("mode"), "stopped");

    std::vector<CapturedAudio> runs = heard();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_GT(runs[0].slice(0.1, 0.4).rms(), 0.3);
    // What was heard ends with the stop, long before the track would.
    EXPECT_LT(runs[0].seconds(), 2.0);
}

TEST_F(CdListening, TheCdVolumeSetsTheLoudness) {
    std::string disc = make_tone_disc(dir, "disc", {440}, 8.0, 0.8);
    plat::set_cd_source(disc.c_str());
    ASSERT_EQ(cd_open(), 0u);
    ASSERT_EQ(mixer_volume_open(), 1);
    for (VolumeLevel level : {0, -8000}) {
        mixer_volume_set(level);
        ASSERT_EQ(cd_play_track(1), 0u);
        pause_for(0.6);
        cd_stop();
    }
    // Turned down while it plays.
    mixer_volume_set(0);
    ASSERT_EQ(cd_play_track(1), 0u);
    pause_for(0.6);
    mixer_volume_set(-5000);
    pause_for(0.6);
    cd_stop();
    mixer_volume_close();

    std::vector<CapturedAudio> runs = heard();
    ASSERT_EQ(runs.size(), 3u);
    double full = runs[0].slice(0.1, 0.5).rms();
    EXPECT_NEAR(full, 0.8 / std::sqrt(2.0), 0.02);
    EXPECT_NEAR(runs[1].slice(0.1, 0.5).rms() / full, 0.20, 0.01);
    double later = runs[2].slice(runs[2].seconds() - 0.4, runs[2].seconds() - 0.05).rms();
    EXPECT_NEAR(later / full, 0.50, 0.02);
}

}  // namespace
