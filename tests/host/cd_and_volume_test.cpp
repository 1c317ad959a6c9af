// CD mode from the front panel, listened to through the captured output of
// the virtual drive: power, presets, previous and next past both ends,
// pause and resume, the door; and the volume held down past the bottom.
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

// The tone each capture of the drive begins with, in the order played.
std::vector<double> tones_played(const HostFolder& folder) {
    std::vector<double> tones;
    for (const std::string& file : captured_files(folder.audio_dir(), "cd")) {
        CapturedAudio start = read_captured_audio(file).slice(0.05, 0.3);
        if (start.rms() > 0.005) {
            tones.push_back(start.dominant_frequency());
        }
    }
    return tones;
}

TEST(CdMode, PresetsStepsWrapsPauseAndDoor) {
    HostFolder folder;
    make_disc(folder);
    HostRun run = folder.run(
        std::string("click ") + at::POWER + "\nwait 500\nelements\n" + "click " + at::preset(2) +
            "\nwait 500\n" + "click " + at::NEXT + "\nwait 500\n" + "click " + at::NEXT +
            "\nwait 500\n" +                        // past the end
            "click " + at::PREV + "\nwait 500\n" +  // before the start
            "hover " + at::preset(1) + "\n" + "click " + at::PAUSE + "\nwait 500\nelements\n" +
            "hover " + at::PAUSE + "\n" + "click " + at::PAUSE + "\nwait 500\n" + "click " +
            at::DOOR + "\nwait 300\n" + "hover " + at::preset(1) + "\n",
        {"--cd", folder.path("disc")});
    ASSERT_EQ(run.status, 0) << run.err;

    // Playing track 1: the number shows; paused: the lamp lights, it hides.
    EXPECT_EQ(element_line(run, "track_display"),
              "element 8 track_display hidden=0 value=1 text=\"01\"");
    EXPECT_EQ(element_line(run, "pause_lamp", 1), "element 1 pause_lamp hidden=0 value=1");
    EXPECT_NE(element_line(run, "track_display", 1).find(" hidden=1 "), std::string::npos);
    EXPECT_EQ(
        run.lines("tooltip:"),
        (std::vector<std::string>{"tooltip: CD Player Track #1 - ", "tooltip: Pause On/Off (on)",
                                  "tooltip: CD Player Track #1 - Audio CD not installed."}));

    // Heard: 1, preset 2, next 3, next wraps to 1, previous wraps to 3,
    // resume plays 3 again.
    std::vector<double> tones = tones_played(folder);
    std::vector<double> expected = {300, 500, 700, 300, 700, 700};
    ASSERT_GE(tones.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(tones[i], expected[i], 10) << "play " << i;
    }
    // The door stopped the disc and opened the tray.
    std::vector<std::string> door = trace_calls(folder.trace_file(), "mciSendCommandA");
    bool opened = false;
    for (const std::string& line : door) {
        opened = opened || line.find("MCI_SET_DOOR_OPEN") != std::string::npos;
    }
    EXPECT_TRUE(opened);
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
