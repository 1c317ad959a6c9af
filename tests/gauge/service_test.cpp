// gauge_service over the recording back-ends: the start sequence, a second
// install, and the codes it leaves alone. (The stop sequence, and pre-update,
// are traced on the built module in module_test.cpp and face_test.cpp.)
#include <gtest/gtest.h>

#include <cstring>

#include "core/presets.h"
#include "core/radio_state.h"
#include "gauge/module.h"
#include "platform/native/standin.h"
#include "tests/fakes/recording_backends.h"
#include "tests/gauge/face_flags_kept.h"
#include "tests/support/radio_reset.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stub_module.h"

namespace {

using Lines = std::vector<std::string>;

// The settings file for one FM preset and two volume percentages.
std::string settings_text(const std::string& fm1, int media_percent, int cd_percent) {
    std::string text = fm1 + "\n" + fm1 + "\n";
    for (int i = 1; i < 12; ++i) {
        text += "No file assigned.\nNo file assigned.\n";
    }
    return text + ".\\Sound\\\n " + std::to_string(media_percent) + "\n " +
           std::to_string(cd_percent) + "\n";
}

class Service : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_radio();
        dir.enter();
        module = std::make_unique<StubModule>(dir / "Gauges/skytune.gau");
        ASSERT_NE(module->handle(), nullptr);
    }
    void TearDown() override { plat::trace_to(nullptr); }

    // As the host calls it: through the gauge header.
    void service(SINT32 code) {
        gauge_header.gauge_callback(&gauge_header, code,
                                    reinterpret_cast<UINT_PTR>(module->handle()));
    }

    // Trace lines of the calls a service code makes.
    Lines traced(SINT32 code) {
        std::string path = dir / "trace.txt";
        std::filesystem::remove(path);
        plat::trace_to(path.c_str());
        service(code);
        plat::trace_to(nullptr);
        return lines_of(read_file(path));
    }

    std::string settings_file() { return dir / "Gauges/skytune.dat"; }

    ScratchDir dir;
    std::unique_ptr<StubModule> module;
    FaceFlagsKept kept{gauge_header};
    const std::vector<FLAGS>& saved_flags = kept.flags();
};

TEST_F(Service, PreInstallReadsTheSettingsThenStartsEveryBackEnd) {
    write_file(settings_file(), settings_text("Rain.mp3", 50, 70));
    playable_files = {"Rain.mp3"};
    service(PANEL_SERVICE_PRE_INSTALL);

    Lines expected{"sound_init", "sound_load_wav CLICK_RCD", "sound_set_volume -500",
                   "media_init 0 0 0 0", "media_open Rain.mp3"};
    for (int i = 1; i < 12; ++i) {
        expected.push_back("media_open No file assigned.");
    }
    Lines rest{"media_set_volume -5000", "cd_open", "mixer_volume_open", "mixer_volume_set -3000",
               "cd_stop"};
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(backend_calls, expected);
    EXPECT_NE(click_sound, nullptr);
    EXPECT_STREQ(preset_table.slots[0].display_name, "Rain.mp3");
    EXPECT_STREQ(preset_table.slots[1].display_name, NO_FILE_ASSIGNED);
}

TEST_F(Service, OtherCodesDoNothing) {
    write_file(settings_file(), settings_text("Rain.mp3", 50, 70));
    radio_state.power = 1;
    RadioState before = radio_state;
    for (SINT32 code = -1; code <= 17; ++code) {
        if (code == 2 || code == 6 || code == 12) {
            continue;
        }
        EXPECT_TRUE(traced(code).empty()) << "code " << code;
    }
    EXPECT_TRUE(backend_calls.empty());
    EXPECT_EQ(memcmp(&before, &radio_state, sizeof before), 0);
    EXPECT_EQ(kept.chain()[1]->image_flags, saved_flags[1]) << "face untouched";
    EXPECT_EQ(read_file(settings_file()), settings_text("Rain.mp3", 50, 70));
}

TEST_F(Service, SecondInstallRereadsSettingsAndKeepsTheRadiosState) {
    service(PANEL_SERVICE_PRE_INSTALL);
    radio_state.power = 1;
    radio_state.mode = MODE_AM;
    radio_state.preset = 3;
    radio_state.lamp = 10;
    service(PANEL_SERVICE_PRE_KILL);
    write_file(settings_file(), settings_text("Storm.wav", 100, 0));
    playable_files = {"Storm.wav"};
    backends_reset();
    playable_files = {"Storm.wav"};

    service(PANEL_SERVICE_PRE_INSTALL);
    EXPECT_EQ(radio_state.power, 1);
    EXPECT_EQ(radio_state.mode, MODE_AM);
    EXPECT_EQ(radio_state.preset, 3);
    EXPECT_EQ(radio_state.lamp, 10);
    EXPECT_EQ(radio_state.media_volume, 0);
    EXPECT_EQ(radio_state.cd_volume, -10000);
    EXPECT_STREQ(preset_table.slots[0].display_name, "Storm.wav");
    EXPECT_EQ(backend_calls.front(), "sound_init") << "every back-end made afresh";
    EXPECT_EQ(backend_calls.back(), "cd_stop");
}

}  // namespace
