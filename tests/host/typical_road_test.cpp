// The typical road: a file put on FM preset 3 with a right click, heard in
// a loop, named by the tooltip, kept in the settings file and heard again
// at the next start; and what goes wrong on the way (cancel, a lost file).
// A playlist on a preset goes the same road, entry by entry, and so does an
// internet radio station's list.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/host/scenario_support.h"
#include "tests/support/captured_audio.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/test_station.h"

namespace {

const std::string ASSIGN_PRESET_3 =
    std::string("click ") + at::POWER + "\n" + "click " + at::MODE_FM + "\n";

// The media player's capture while the preset played: one tone, looped
// past the file's own length.
void expect_looped_tone(const HostFolder& folder, double frequency, double at_least_seconds) {
    std::vector<std::string> files = captured_files(folder.audio_dir(), "media");
    ASSERT_FALSE(files.empty());
    CapturedAudio audio = read_captured_audio(files.back());
    ASSERT_GT(audio.seconds(), at_least_seconds);
    // The file lasts 0.4 s; from half a second on it plays its second and
    // third time, at the media volume of -20 dB (a tenth of its amplitude).
    CapturedAudio later = audio.slice(0.5, at_least_seconds);
    EXPECT_GT(later.rms(), 0.02);
    EXPECT_GT(later.slice(0.0, 0.3).rms(), 0.02);
    EXPECT_GT(later.slice(0.3, 0.6).rms(), 0.02);
    EXPECT_NEAR(later.dominant_frequency(), frequency, 10);
}

// The settings file keeps the file on FM preset 3, by its path from the folder.
void expect_saved_on_preset_3(const HostFolder& folder, const std::string& name) {
    std::vector<std::string> settings = file_lines(folder.settings());
    ASSERT_EQ(settings.size(), 27u);
    EXPECT_EQ(settings[4], name);
    EXPECT_EQ(settings[5], "./Music/" + name);
}

TEST(TypicalRoad, RightClickChooseHearSeeReadQuitAndHearAgain) {
    HostFolder folder;
    folder.write_tone("Music/Rain.wav", 440, 0.4);
    HostRun first = folder.run(ASSIGN_PRESET_3 + "dialog " + folder.path("Music/Rain.wav") + "\n" +
                               "click " + at::preset(3) + " right\n" +
                               "wait 1500\n"
                               "elements\n"
                               "hover " +
                               at::preset(3) + "\n" + "quit\n");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(element_line(first, "station_dial"), "element 4 station_dial hidden=0 value=3");
    EXPECT_EQ(element_line(first, "preset_lamps"), "element 5 preset_lamps hidden=0 value=2");
    EXPECT_EQ(element_line(first, "power_led"), "element 3 power_led hidden=0 value=1");
    EXPECT_EQ(first.lines("tooltip:"),
              std::vector<std::string>{"tooltip: FM Preset #3 - Rain.wav"});
    expect_looped_tone(folder, 440, 1.2);
    // The chooser was asked in the browse folder, as the record says.
    std::vector<std::string> asked = trace_calls(folder.trace_file(), "GetOpenFileNameA");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("\"Select Audio File\""), std::string::npos);

    expect_saved_on_preset_3(folder, "Rain.wav");

    // The next start: preset 3 plays the file again, and says so.
    std::filesystem::remove_all(folder.audio_dir());
    HostRun second =
        folder.run(std::string("click ") + at::MODE_FM + "\n" + "hover " + at::preset(3) + "\n" +
                   "click " + at::preset(3) + "\n" + "click " + at::POWER + "\n" + "wait 1500\n");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.lines("tooltip:"),
              std::vector<std::string>{"tooltip: FM Preset #3 - Rain.wav"});
    expect_looped_tone(folder, 440, 1.2);
}

TEST(TypicalRoad, CancelInTheChooserLeavesThePresetAndSilence) {
    HostFolder folder;
    folder.write_tone("Music/Rain.wav", 440, 0.4);
    HostRun run =
        folder.run(ASSIGN_PRESET_3 + "dialog " + folder.path("Music/Rain.wav") + "\nclick " +
                   at::preset(3) + " right\n" + "wait 300\n" + "dialog cancel\n" + "click " +
                   at::preset(5) + " right\n" + "wait 800\n" + "elements\n" + "hover " +
                   at::preset(5) + "\n" + "hover " + at::preset(3) + "\n");
    ASSERT_EQ(run.status, 0) << run.err;
    // The selection moved to preset 5; its slot stayed empty.
    EXPECT_EQ(element_line(run, "station_dial"), "element 4 station_dial hidden=0 value=5");
    EXPECT_EQ(run.lines("tooltip:"),
              (std::vector<std::string>{"tooltip: FM Preset #5 - No file assigned.",
                                        "tooltip: FM Preset #3 - Rain.wav"}));
    // Preset 3 sounded until the right click on 5 stopped it; nothing
    // started after the cancelled chooser.
    std::vector<std::string> files = captured_files(folder.audio_dir(), "media");
    ASSERT_FALSE(files.empty());
    EXPECT_NEAR(read_captured_audio(files.front()).dominant_frequency(), 440, 10);
    std::vector<std::string> trace = file_lines(folder.trace_file());
    auto chooser = std::find_if(trace.rbegin(), trace.rend(), [](const std::string& line) {
        return line.rfind("GetOpenFileNameA", 0) == 0;
    });
    ASSERT_NE(chooser, trace.rend());
    EXPECT_EQ(chooser->substr(chooser->size() - 4), "-> 0");
    for (auto later = trace.rbegin(); later != chooser; ++later) {
        EXPECT_EQ(later->find("::Run"), std::string::npos) << *later;
    }
    std::vector<std::string> settings = file_lines(folder.settings());
    ASSERT_EQ(settings.size(), 27u);
    EXPECT_EQ(settings[8], "No file assigned.");
    EXPECT_EQ(settings[9], "No file assigned.");
}

TEST(TypicalRoad, APresetFileDeletedBetweenRunsIsNamedAndKept) {
    HostFolder folder;
    folder.write_tone("Music/Rain.wav", 440, 0.4);
    HostRun first = folder.run(ASSIGN_PRESET_3 + "dialog " + folder.path("Music/Rain.wav") +
                               "\nclick " + at::preset(3) + " right\nwait 200\n");
    ASSERT_EQ(first.status, 0) << first.err;
    std::filesystem::remove(folder.path("Music/Rain.wav"));
    std::filesystem::remove_all(folder.audio_dir());

    HostRun second = folder.run(ASSIGN_PRESET_3 + "click " + at::preset(3) + "\nwait 600\n" +
                                "hover " + at::preset(3) + "\n");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.lines("tooltip:"),
              std::vector<std::string>{"tooltip: FM Preset #3 - File not found."});
    // Nothing to hear, and the assignment waits in the file for its return.
    for (const std::string& file : captured_files(folder.audio_dir(), "media")) {
        EXPECT_LT(read_captured_audio(file).rms(), 0.01) << file;
    }
    expect_saved_on_preset_3(folder, "Rain.wav");
}

// The strongest frequency of each media capture of a run that sounded.
std::vector<int> heard_tones(const HostFolder& folder) {
    std::vector<int> tones;
    for (const std::string& file : captured_files(folder.audio_dir(), "media")) {
        CapturedAudio audio = read_captured_audio(file);
        if (audio.rms() > 0.01) {
            tones.push_back(int(audio.dominant_frequency() / 10 + 0.5) * 10);
        }
    }
    return tones;
}

TEST(TypicalRoad, APlaylistPresetPlaysEntryByEntryAndStartsAgainFromTheFirst) {
    HostFolder folder;
    folder.write_tone("Music/one.wav", 440, 3);
    folder.write_tone("Music/two.wav", 660, 3);
    write_file(folder.path("Music/Road trip.m3u"), "#EXTM3U\r\none.wav\r\ntwo.wav\r\n");
    const std::string hover = "hover " + at::preset(3) + "\n";
    HostRun first =
        folder.run(ASSIGN_PRESET_3 + "dialog " + folder.path("Music/Road trip.m3u") + "\nclick " +
                   at::preset(3) + " right\nwait 800\n" + hover + "click " + at::NEXT +
                   "\nwait 800\n" + hover + "click " + at::PAUSE + "\n" + hover + "quit\n");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.lines("tooltip:"),
              (std::vector<std::string>{"tooltip: FM Preset #3 - Road trip.m3u: one.wav",
                                        "tooltip: FM Preset #3 - Road trip.m3u: two.wav",
                                        "tooltip: FM Preset #3 - Road trip.m3u"}));
    EXPECT_EQ(heard_tones(folder), (std::vector<int>{440, 660}));
    expect_saved_on_preset_3(folder, "Road trip.m3u");

    // The next start: the preset plays its list from the first entry.
    std::filesystem::remove_all(folder.audio_dir());
    HostRun second = folder.run(std::string("click ") + at::MODE_FM + "\nclick " + at::preset(3) +
                                "\nclick " + at::POWER + "\nwait 800\n" + hover);
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.lines("tooltip:"),
              std::vector<std::string>{"tooltip: FM Preset #3 - Road trip.m3u: one.wav"});
    EXPECT_EQ(heard_tones(folder), std::vector<int>{440});
}

TEST(TypicalRoad, AStationsListOnAPresetIsHeardNamedAndKept) {
    TestStation station;
    ASSERT_TRUE(station.start()) << station.logs();
    ASSERT_TRUE(station.set_title("Miles Davis - So What"));
    HostFolder folder;
    write_file(folder.path("Music/jazz.pls"),
               "[playlist]\r\nFile1=" + station.url() + "\r\nTitle1=Jazz FM\r\n");
    const std::string hover = "hover " + at::preset(3) + "\n";
    HostRun run = folder.run(ASSIGN_PRESET_3 + "dialog " + folder.path("Music/jazz.pls") +
                             "\nclick " + at::preset(3) + " right\nwait 3000\n" + hover + "click " +
                             at::PAUSE + "\n" + hover);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.lines("tooltip:"),
              (std::vector<std::string>{"tooltip: FM Preset #3 - Jazz FM: Miles Davis - So What",
                                        "tooltip: FM Preset #3 - jazz.pls"}));
    // The station's tone, at the media volume of -20 dB.
    std::vector<std::string> files = captured_files(folder.audio_dir(), "buffer");
    ASSERT_EQ(files.size(), 1u);
    CapturedAudio heard = read_captured_audio(files[0]).slice(1.0, 2.0);
    EXPECT_GT(heard.rms(), 0.005);
    EXPECT_NEAR(heard.dominant_frequency(), 440, 10);
    expect_saved_on_preset_3(folder, "jazz.pls");
}

}  // namespace
