// A person starts the radio for the first time: no settings file yet.
#include <gtest/gtest.h>

#include "tests/host/scenario_support.h"

namespace {

// Red enough to be the power lamp.
int red_pixels(const Image& image, int x, int y, int w, int h) {
    int count = 0;
    for (int yy = y; yy < y + h; ++yy) {
        for (int xx = x; xx < x + w; ++xx) {
            uint32_t p = image.at(xx, yy);
            int r = int(p >> 16) & 0xFF;
            int g = int(p >> 8) & 0xFF;
            int b = int(p) & 0xFF;
            count += (r > 150 && g < 90 && b < 90) ? 1 : 0;
        }
    }
    return count;
}

int differing_pixels(const Image& a, const Image& b, int x, int y, int w, int h) {
    int count = 0;
    for (int yy = y; yy < y + h; ++yy) {
        for (int xx = x; xx < x + w; ++xx) {
            count += a.at(xx, yy) != b.at(xx, yy) ? 1 : 0;
        }
    }
    return count;
}

TEST(FirstStart, OffFaceThenFmWithThePowerOnAndEmptyPresets) {
    HostFolder folder;
    HostRun run = folder.run(std::string("frames 2\n") +
                             "screenshot off.png\n"
                             "elements\n"
                             "echo --\n"
                             "click " +
                             at::MODE_FM + "\n" + "click " + at::preset(3) + "\n" + "click " +
                             at::POWER + "\n" +
                             "frames 2\n"
                             "screenshot on.png\n"
                             "elements\n"
                             "hover " +
                             at::preset(3) + "\n" +
                             "screenshot tip.png\n"
                             "hover " +
                             at::POWER + "\n");
    ASSERT_EQ(run.status, 0) << run.err;

    // Right after load only the background, the dim pointer and the mark.
    const char* hidden_when_off[] = {"pause_lamp",    "volume_keys_lit",      "power_led",
                                     "station_dial",  "preset_lamps",         "mode_lamps",
                                     "track_display", "volume_pointer_bright"};
    for (const char* name : hidden_when_off) {
        EXPECT_NE(element_line(run, name).find(" hidden=1 "), std::string::npos) << name;
    }
    EXPECT_NE(element_line(run, "face_background").find(" hidden=0 "), std::string::npos);
    EXPECT_NE(element_line(run, "knob_mark").find(" hidden=0 "), std::string::npos);
    // The pointer shows the CD volume in CD mode: -8000 by default.
    EXPECT_EQ(element_line(run, "volume_pointer_dim"),
              "element 7 volume_pointer_dim hidden=0 value=-8000");
    EXPECT_EQ(element_line(run, "track_display").substr(0, 39),
              "element 8 track_display hidden=1 value=");

    // Switched on in FM mode with preset 3: caption 3, bar 3, second mode key,
    // the red lamp, the bright pointer at the media volume, no track number.
    EXPECT_EQ(element_line(run, "station_dial", 1), "element 4 station_dial hidden=0 value=3");
    EXPECT_EQ(element_line(run, "preset_lamps", 1), "element 5 preset_lamps hidden=0 value=2");
    EXPECT_EQ(element_line(run, "mode_lamps", 1), "element 6 mode_lamps hidden=0 value=1");
    EXPECT_EQ(element_line(run, "power_led", 1), "element 3 power_led hidden=0 value=1");
    EXPECT_EQ(element_line(run, "pause_lamp", 1), "element 1 pause_lamp hidden=0 value=0");
    EXPECT_EQ(element_line(run, "volume_pointer_bright", 1),
              "element 9 volume_pointer_bright hidden=0 value=-2000");
    EXPECT_NE(element_line(run, "volume_pointer_dim", 1).find(" hidden=1 "), std::string::npos);
    EXPECT_NE(element_line(run, "track_display", 1).find(" hidden=1 "), std::string::npos);

    EXPECT_EQ(run.lines("tooltip:"),
              (std::vector<std::string>{"tooltip: FM Preset #3 - No file assigned.",
                                        "tooltip: Power On/Off (on)"}));

    // The screenshots: the lamp is red only with the power on (its one
    // image stands for the value 1 too); the caption window changes.
    Image off = read_png(folder.path("off.png"));
    Image on = read_png(folder.path("on.png"));
    Image tip = read_png(folder.path("tip.png"));
    ASSERT_EQ(off.width, 476);
    ASSERT_EQ(off.height, 147);
    ASSERT_EQ(on.width, 476);
    EXPECT_EQ(red_pixels(off, 378, 59, 27, 13), 0);
    EXPECT_GT(red_pixels(on, 378, 59, 27, 13), 40);
    EXPECT_GT(differing_pixels(off, on, 136, 58, 202, 43), 500);
    // The tooltip box lies just over the pointer (there is no room below
    // it); the rest of the face is as it was.
    EXPECT_GT(differing_pixels(on, tip, 200, 90, 276, 30), 200);
    EXPECT_EQ(differing_pixels(on, tip, 0, 0, 476, 90), 0);
    EXPECT_EQ(differing_pixels(on, tip, 0, 0, 200, 147), 0);

    // Pre-kill wrote the first settings file: twelve empty presets.
    std::vector<std::string> settings = file_lines(folder.settings());
    ASSERT_EQ(settings.size(), 27u);
    for (size_t i = 0; i < 24; ++i) {
        EXPECT_EQ(settings[i], "No file assigned.") << i;
    }
    EXPECT_EQ(settings[25], " 80");
    EXPECT_EQ(settings[26], " 20");
}

TEST(FirstStart, PanelLightsLeaveABrightAndLuminousFaceAsItIs) {
    HostFolder folder;
    HostRun run =
        folder.run(std::string("click ") + at::POWER + "\nframes 2\nscreenshot day.png\n" +
                   "lights on\nframes 1\nscreenshot night.png\n");
    ASSERT_EQ(run.status, 0) << run.err;
    Image day = read_png(folder.path("day.png"));
    Image night = read_png(folder.path("night.png"));
    ASSERT_FALSE(day.empty());
    EXPECT_EQ(differing_pixels(day, night, 0, 0, 476, 147), 0);
}

}  // namespace
