// The window: under a virtual X server the host's window shows the same face
// that a headless run draws, scaled as asked.
#include <gtest/gtest.h>

#include "tests/host/scenario_support.h"

namespace {

const std::string SCRIPT = std::string("click ") + at::MODE_FM + "\nclick " + at::POWER +
                           "\nframes 3\nscreenshot face.png\n";

TEST(Window, ShowsTheFaceUnderAnXServer) {
    HostFolder folder;
    HostRun headless = folder.run(SCRIPT, {"--audio", "null"});
    ASSERT_EQ(headless.status, 0) << headless.err;
    Image expected = read_png(folder.path("face.png"));
    ASSERT_EQ(expected.width, 476);

    std::string script = folder.path("script.txt");
    HostRun windowed =
        run_command({"xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", HOST_PATH, "--gauge",
                     folder.gauge(), "--audio", "null", "--scale", "2", "--script", script},
                    folder.path());
    ASSERT_EQ(windowed.status, 0) << windowed.err;
    Image shown = read_png(folder.path("face.png"));
    ASSERT_EQ(shown.width, 952);
    ASSERT_EQ(shown.height, 294);
    // Each face pixel is a 2 x 2 block of the window.
    int differing = 0;
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            differing += shown.at(2 * x + 1, 2 * y + 1) != expected.at(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
}

}  // namespace
