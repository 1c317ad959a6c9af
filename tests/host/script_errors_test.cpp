// The host's command line and scripts that go wrong: reported with the line,
// a non-zero status, and the settings still saved.
#include <gtest/gtest.h>

#include "tests/host/scenario_support.h"

namespace {

TEST(ScriptErrors, AnUnknownCommandStopsTheScriptAtItsLine) {
    HostFolder folder;
    HostRun run = folder.run("# a note\necho before\n\nfly 3 4\necho after\n");
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.out, "before\n");
    EXPECT_NE(run.err.find("line 4"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("fly"), std::string::npos) << run.err;
    // The gauge was still killed properly: the settings file is complete.
    EXPECT_EQ(file_lines(folder.settings()).size(), 27u);
}

TEST(ScriptErrors, MalformedLinesAndUnwritableScreenshots) {
    HostFolder folder;
    HostRun malformed = folder.run("click 10\n");
    EXPECT_NE(malformed.status, 0);
    EXPECT_NE(malformed.err.find("line 1"), std::string::npos) << malformed.err;

    HostRun unwritable = folder.run("frames 1\nscreenshot /nonexistent/dir/face.png\n");
    EXPECT_NE(unwritable.status, 0);
    EXPECT_NE(unwritable.err.find("line 2"), std::string::npos) << unwritable.err;
}

TEST(ScriptErrors, QuitEndsTheScriptAndClicksOffTheAreasReachNothing) {
    HostFolder folder;
    // x = 144 on the bottom row lies between pause and preset 1.
    HostRun run = folder.run(
        "click 440 20\nclick 144 120\nclick 600 20\nframes 1\n"
        "elements\nhover 144 120\nquit\necho never\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(element_line(run, "pause_lamp"), "element 1 pause_lamp hidden=0 value=0");
    EXPECT_EQ(run.lines("tooltip"), std::vector<std::string>{"tooltip:"});
    EXPECT_TRUE(run.lines("never").empty());
}

TEST(CommandLine, VersionHelpAndBadOptions) {
    HostFolder folder;
    HostRun version =
        run_command({HOST_PATH, "--gauge", folder.gauge(), "--version"}, folder.path());
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "SkyTune 3.0\n");

    HostRun help = run_command({HOST_PATH, "--help"}, folder.path());
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--script FILE"), std::string::npos);

    for (std::vector<std::string> bad : {std::vector<std::string>{"--scale", "0"},
                                         {"--frobnicate"},
                                         {"--script"},
                                         {"--audio", "loud", "--headless", "--script", "-"},
                                         {"--headless"}}) {
        bad.insert(bad.begin(), HOST_PATH);
        HostRun run = run_command(bad, folder.path());
        EXPECT_NE(run.status, 0) << bad[1];
        EXPECT_FALSE(run.err.empty()) << bad[1];
    }

    HostRun not_a_gauge = run_command(
        {HOST_PATH, "--gauge", folder.path("script.txt"), "--headless", "--script", "-"},
        folder.path());
    EXPECT_NE(not_a_gauge.status, 0);
}

}  // namespace
