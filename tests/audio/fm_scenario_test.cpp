// The radio's own FM and AM handlers over the real media player and click,
// started and stopped by the gauge's service routine from a settings file,
// with the mixer recorded: every demo preset is heard.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/media.h"
#include "core/controls.h"
#include "core/presets.h"
#include "gauge/module.h"
#include "tests/audio/listening.h"
#include "tests/support/radio_reset.h"
#include "tests/support/stub_module.h"

namespace {

// A module in dir/Gauges whose settings file puts the files on the presets
// (FM 1-6, then AM 1-6; the rest have none) at the media volume given; the
// service routine starts and stops the radio as a host calls it.
class RadioModule {
  public:
    RadioModule(const ScratchDir& dir, const std::vector<std::string>& presets, int media_percent)
        : module_(dir / "Gauges/skytune.gau") {
        std::string text;
        for (int slot = 0; slot < PRESET_SLOTS; ++slot) {
            std::string path = slot < int(presets.size()) ? presets[size_t(slot)] : "";
            path = path.empty() ? NO_FILE_ASSIGNED : path;
            text += path + "\n" + path + "\n";
        }
        write_file(dir / "Gauges/skytune.dat",
                   text + dir.path().string() + "\n" + std::to_string(media_percent) + "\n20\n");
    }
    void service(SINT32 code) {
        gauge_header.gauge_callback(&gauge_header, code,
                                    reinterpret_cast<UINT_PTR>(module_.handle()));
    }

  private:
    StubModule module_;
};

TEST(FmScenario, EveryDemoPresetIsHeardWithItsClick) {
    reset_radio();
    CaptureSink sink;
    RadioModule radio(sink.dir(),
                      {source_file("Sound/chimes.wav"), source_file("Sound/pad.mp3"),
                       source_file("Sound/breeze.wma"), "", "", "", source_file("Sound/waltz.mid")},
                      94);
    radio.service(PANEL_SERVICE_PRE_INSTALL);
    for (int slot : {0, 1, 2, 6}) {
        EXPECT_NE(preset_table.slots[slot].media_handle, nullptr) << slot;
    }
    EXPECT_STREQ(preset_table.slots[3].display_name, NO_FILE_ASSIGNED);

    // A click lasts 6 ms; no hand presses two buttons faster than that.
    on_power(nullptr, 0);
    settle();
    listen(0.1);
    on_mode_fm(nullptr, 0);
    settle();
    listen(0.7);
    on_preset<2>(nullptr, CLICK_LEFT_SINGLE);
    settle();
    listen(0.7);
    on_preset<3>(nullptr, CLICK_LEFT_SINGLE);
    settle();
    listen(0.7);
    on_mode_am(nullptr, 0);  // AM preset 3 has no file: silence
    listen(0.3);
    on_preset<1>(nullptr, CLICK_LEFT_SINGLE);
    settle();
    listen(0.9);
    on_power(nullptr, 0);
    settle();
    listen(0.1);

    radio.service(PANEL_SERVICE_PRE_KILL);

    std::vector<CapturedAudio> heard = sink.heard("media");
    ASSERT_EQ(heard.size(), 4u) << "chimes, pad, breeze, waltz";
    for (size_t i = 0; i < heard.size(); ++i) {
        CapturedAudio part = sounding(heard[i], 0.005f);
        EXPECT_GT(part.seconds(), 0.5) << i;
        EXPECT_GT(part.rms(), 0.01) << i;
    }

    // Power, FM, preset 2, preset 3, AM, preset 1, power: seven sounds, with
    // quiet between them.
    EXPECT_EQ(sounding(sink.all("sound"), 0.05f).silences(0.05, 0.05).size() + 1, 7u);
}

// Without a sound device or a filter graph the radio still works: every
// button does its part of the job, silently, and pre-kill goes through.
TEST(FmScenario, WithoutSoundTheRadioStillWorks) {
    reset_radio();
    CaptureSink sink;
    RadioModule radio(sink.dir(), {source_file("Sound/chimes.wav")}, 80);
    plat::faults_set("CoCreateInstance");
    radio.service(PANEL_SERVICE_PRE_INSTALL);
    EXPECT_EQ(click_sound, nullptr);
    // Once the test has answered, the next update names the preset.
    settle();
    radio.service(PANEL_SERVICE_PRE_UPDATE);
    EXPECT_STREQ(preset_table.slots[0].display_name, FILE_NOT_FOUND);

    on_power(nullptr, 0);
    on_mode_fm(nullptr, 0);
    on_preset<2>(nullptr, CLICK_LEFT_SINGLE);
    on_volume_up(nullptr, 0);
    on_pause(nullptr, 0);
    settle();
    listen(0.2);
    EXPECT_EQ(radio_state.power, 1);
    EXPECT_EQ(radio_state.mode, MODE_FM);
    EXPECT_EQ(radio_state.preset, 1);
    EXPECT_EQ(radio_state.lamp, 2);
    EXPECT_EQ(radio_state.media_volume, -1850);
    EXPECT_EQ(radio_state.paused, 1);
    EXPECT_EQ(media_panel.volume, -1850);

    radio.service(PANEL_SERVICE_PRE_KILL);
    plat::faults_set(nullptr);
    EXPECT_TRUE(sink.heard("media").empty());
    EXPECT_TRUE(sounding(sink.all("sound")).empty());
}

}  // namespace
