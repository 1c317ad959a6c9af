// The radio's own buttons over the real CD player, the real mixer volume and
// the demo disc, started and stopped by the gauge's service routine, heard
// through the capture: the tracks asked for, at the CD volume.
#include <gtest/gtest.h>

#include "gauge/module.h"
#include "tests/audio/cd_test_support.h"
#include "tests/support/captured_audio.h"
#include "tests/support/stub_module.h"
#include "tools/demo_disc/demo_tunes.h"

namespace {

class CdHandlers : public CdTest {};

TEST_F(CdHandlers, PowerPresetStepAndPausePlayTheTracksAskedForAtTheCdVolume) {
    std::string captures = dir / "captures";
    ASSERT_TRUE(plat::set_audio_sink(("wav:" + captures).c_str()));
    char text[3] = "";
    ELEMENT_STRING display{};
    display.string = text;
    auto play_a_while = [&] {
        pause_for(0.6);
        cd_display_poll(&display);
    };

    // The first install: no settings file, the CD volume as loaded, 20 %.
    StubModule module(dir / "Gauges/skytune.gau");
    auto service = [&](SINT32 code) {
        gauge_header.gauge_callback(&gauge_header, code,
                                    reinterpret_cast<UINT_PTR>(module.handle()));
    };
    service(PANEL_SERVICE_PRE_INSTALL);

    on_power(nullptr, 0);  // track 1
    play_a_while();
    EXPECT_STREQ(text, "01");
    on_preset<3>(nullptr, CLICK_LEFT_SINGLE);  // track 3
    play_a_while();
    EXPECT_STREQ(text, "03");
    on_next_track(nullptr, 0);  // track 4
    play_a_while();
    EXPECT_STREQ(text, "04");
    on_prev_track(nullptr, 0);  // track 3
    play_a_while();
    on_pause(nullptr, 0);  // silence
    play_a_while();
    EXPECT_STREQ(text, "  ");
    EXPECT_EQ(radio_state.cd_playing, 0);
    on_pause(nullptr, 0);  // track 3 again
    play_a_while();
    EXPECT_STREQ(text, "03");
    on_power(nullptr, 0);
    service(PANEL_SERVICE_PRE_KILL);

    std::vector<std::string> files = captured_files(captures, "cd");
    const int expected[] = {1, 3, 4, 3, 3};
    ASSERT_EQ(files.size(), std::size(expected)) << "nothing plays while paused";
    for (size_t i = 0; i < files.size(); ++i) {
        int track = expected[i];
        CapturedAudio heard = read_captured_audio(files[i]).slice(0.05, 0.5);
        CapturedAudio source =
            read_captured_audio(std::string(SKYTUNE_DEMO_DISC_DIR) + "/" + demo_track_name(track))
                .slice(0.05, 0.5);
        ASSERT_GT(heard.seconds(), 0.3) << "run " << i;
        EXPECT_NEAR(heard.dominant_frequency(80, 400, 1), demo_base_pitch(track), 2.5)
            << "run " << i;
        EXPECT_NEAR(heard.rms() / source.rms(), 0.20, 0.02) << "run " << i;
    }
}

}  // namespace
