// Keys held down in CD mode, listened to through the captured output of the
// virtual drive: volume down past the bottom, and a key that does not
// repeat.
#include <gtest/gtest.h>

#include "tests/host/scenario_support.h"
#include "tests/support/captured_audio.h"

namespace {

// A disc of three two-second tracks, each its own tone.
const double TONES[] = {300, 500, 700};

void make_disc(const HostFolder& folder) {
    for (int track = 1; track <= 3; ++track) {
        folder.write_tone("disc/track0" + std::to_string(track) + ".wav", TONES[track - 1], 2.0);
    }
}

// Runs a script with the power switched on in CD mode at its start.
HostRun run_powered(const HostFolder& folder, const std::string& script) {
    return folder.run(std::string("click ") + at::POWER + "\nwait 400\n" + script,
                      {"--cd", folder.path("disc")});
}

TEST(Volume, HeldDownPastTheBottomFallsSilentAndIsSaved) {
    HostFolder folder;
    make_disc(folder);
    HostRun run =
        run_powered(folder, std::string("hold ") + at::VOLUME_DOWN + " 2500\nwait 300\nelements\n");
    ASSERT_EQ(run.status, 0) << run.err;
    // One step of 150 per call, from -8000 to one step past the bottom.
    EXPECT_EQ(element_line(run, "volume_pointer_bright"),
              "element 9 volume_pointer_bright hidden=0 value=-10100");
    std::vector<std::string> steps = trace_calls(folder.trace_file(), "mixerSetControlDetails");
    // The set at pre-install, then fourteen steps down, the last clamped to 0.
    ASSERT_EQ(steps.size(), 15u);
    EXPECT_NE(steps.back().find("value=0 "), std::string::npos) << steps.back();

    // Heard: the disc at the start level, silent at the end of the hold.
    std::vector<std::string> files = captured_files(folder.audio_dir(), "cd");
    ASSERT_FALSE(files.empty());
    CapturedAudio audio = read_captured_audio(files.front());
    ASSERT_GT(audio.seconds(), 2.5);
    EXPECT_GT(audio.slice(0.1, 0.4).rms(), 0.02);
    EXPECT_LT(audio.slice(audio.seconds() - 0.3, audio.seconds()).rms(), 0.001);

    // Saved as silence, and silent again at the next start.
    std::vector<std::string> settings = file_lines(folder.settings());
    ASSERT_EQ(settings.size(), 27u);
    EXPECT_EQ(settings[26], "  0");
    HostRun again = folder.run("frames 1\nelements\n", {"--cd", folder.path("disc")});
    EXPECT_EQ(element_line(again, "volume_pointer_dim"),
              "element 7 volume_pointer_dim hidden=0 value=-10000");
}

TEST(Volume, AHeldKeyWithoutRepeatActsOnce) {
    HostFolder folder;
    make_disc(folder);
    HostRun run =
        run_powered(folder, std::string("hold ") + at::NEXT + " 1200\nwait 300\nelements\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(element_line(run, "track_display"),
              "element 8 track_display hidden=0 value=2 text=\"02\"");
}

}  // namespace
