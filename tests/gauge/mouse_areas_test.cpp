// The mouse areas as the host lays them out and hit-tests them, the clicks
// and cursors each box has, and the tooltip texts in every state that
// changes them.
#include "gauge/mouse_areas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/controls.h"
#include "core/presets.h"
#include "gauge/module.h"
#include "host/mouse_map.h"
#include "tests/fakes/recording_backends.h"
#include "tests/support/radio_reset.h"

namespace {

class MouseAreas : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_radio();
        for (int slot = 0; slot < PRESET_SLOTS; ++slot) {
            snprintf(preset_table.slots[slot].display_name, 256, "slot%d.mp3", slot);
        }
    }

    // The handler of the one clickable box at (x, y), or null for none.
    PMOUSE_FUNCTION handler_at(int x, int y) const {
        const ClickBox* hit = nullptr;
        for (const ClickBox& box : map.boxes) {
            if (box.box.contains(x, y)) {
                EXPECT_EQ(hit, nullptr) << "boxes overlap at " << x << "," << y;
                hit = &box;
            }
        }
        return hit != nullptr ? hit->handler : nullptr;
    }

    std::string tooltip_at(int x, int y) const { return tooltip_text(map.tooltip_at(x, y)); }

    MouseMap map = MouseMap::from_list(gauge_header.mouse_rect);
};

TEST_F(MouseAreas, EdgesAndGapsOfEveryBox) {
    // The bottom row tiles from x 120 to 399, apart from x = 144.
    struct Edge {
        int x;
        PMOUSE_FUNCTION handler;
    } row[] = {
        {119, nullptr},       {120, on_pause},      {143, on_pause},      {144, nullptr},
        {145, on_preset<1>},  {180, on_preset<1>},  {181, on_preset<2>},  {214, on_preset<2>},
        {215, on_preset<3>},  {248, on_preset<3>},  {249, on_preset<4>},  {280, on_preset<4>},
        {281, on_preset<5>},  {315, on_preset<5>},  {316, on_preset<6>},  {351, on_preset<6>},
        {352, on_prev_track}, {375, on_prev_track}, {376, on_next_track}, {399, on_next_track},
        {400, nullptr},
    };
    for (const Edge& e : row) {
        EXPECT_EQ(handler_at(e.x, 100), e.handler) << "x " << e.x;
        EXPECT_EQ(handler_at(e.x, 146), e.handler) << "x " << e.x;
        EXPECT_EQ(handler_at(e.x, 99), nullptr) << "x " << e.x;
    }
    struct Point {
        int x, y;
        PMOUSE_FUNCTION handler;
    } points[] = {
        {0, 0, on_door},         {62, 47, on_door},         {63, 0, nullptr},
        {0, 48, nullptr},        {0, 50, nullptr},          {0, 51, on_volume_up},
        {50, 83, on_volume_up},  {51, 60, nullptr},         {10, 84, nullptr},
        {0, 85, on_volume_down}, {50, 118, on_volume_down}, {0, 119, nullptr},
        {409, 0, nullptr},       {410, 0, on_power},        {475, 45, on_power},
        {475, 46, nullptr},      {475, 47, nullptr},        {408, 48, on_mode_cd},
        {407, 48, nullptr},      {475, 70, on_mode_cd},     {408, 71, on_mode_fm},
        {475, 93, on_mode_fm},   {408, 94, on_mode_am},     {475, 116, on_mode_am},
        {408, 117, nullptr},     {476, 60, nullptr},        {240, 70, nullptr},
    };
    for (const Point& p : points) {
        EXPECT_EQ(handler_at(p.x, p.y), p.handler) << p.x << "," << p.y;
    }
}

// A host calls a box's handler only for the events in its flags, and again
// while held only with the repeat flag; the cursor says what a click does.
TEST_F(MouseAreas, ClicksAndCursorsOfEveryBox) {
    const PMOUSE_FUNCTION presets[] = {on_preset<1>, on_preset<2>, on_preset<3>,
                                       on_preset<4>, on_preset<5>, on_preset<6>};
    ASSERT_EQ(map.boxes.size(), 16u);
    for (const ClickBox& box : map.boxes) {
        bool preset = std::count(std::begin(presets), std::end(presets), box.handler) == 1;
        bool up = box.handler == on_volume_up || box.handler == on_next_track;
        bool down = box.handler == on_volume_down || box.handler == on_prev_track;
        bool volume = box.handler == on_volume_up || box.handler == on_volume_down;
        SCOPED_TRACE("box at " + std::to_string(box.box.x) + "," + std::to_string(box.box.y));
        EXPECT_EQ((box.flags & MOUSE_RIGHTSINGLE) != 0, preset);
        EXPECT_EQ((box.flags & MOUSE_DOWN_REPEAT) != 0, volume);
        EXPECT_NE(box.flags & MOUSE_LEFTSINGLE, 0u);
        EXPECT_EQ(box.cursor, up ? CURSOR_UPARROW : down ? CURSOR_DOWNARROW : CURSOR_HAND);
    }
}

TEST_F(MouseAreas, FixedTooltipsInEveryState) {
    const std::pair<int, int> fixed[] = {{30, 20},  {440, 60}, {440, 80},  {440, 100},
                                         {20, 100}, {20, 60},  {360, 120}, {390, 120}};
    const char* texts[] = {"Open/Close CD Door",     "Mode Select - CD Player",
                           "Mode Select - FM Radio", "Mode Select - AM Radio",
                           "Decrease Volume Level",  "Increase Volume Level",
                           "Previous CD Track",      "Next CD Track"};
    for (int32_t power : {0, 1}) {
        for (int32_t mode : {MODE_CD, MODE_FM, MODE_AM}) {
            radio_state.power = power;
            radio_state.paused = power;
            radio_state.mode = mode;
            for (int i = 0; i < 8; ++i) {
                EXPECT_EQ(tooltip_at(fixed[i].first, fixed[i].second), texts[i]);
            }
        }
    }
}

TEST_F(MouseAreas, PowerAndPauseTooltips) {
    EXPECT_EQ(tooltip_at(440, 20), "Power On/Off (off)");
    EXPECT_EQ(tooltip_at(130, 120), "Pause On/Off (off)");
    radio_state.power = 1;
    EXPECT_EQ(tooltip_at(440, 20), "Power On/Off (on)");
    EXPECT_EQ(tooltip_at(130, 120), "Pause On/Off (off)");
    radio_state.paused = 1;
    EXPECT_EQ(tooltip_at(130, 120), "Pause On/Off (on)");
}

TEST_F(MouseAreas, PresetTooltipsFollowTheMode) {
    const int centres[6] = {162, 197, 231, 264, 298, 333};
    for (int k = 1; k <= 6; ++k) {
        int x = centres[k - 1];
        radio_state.mode = MODE_FM;
        EXPECT_EQ(tooltip_at(x, 120),
                  "FM Preset #" + std::to_string(k) + " - slot" + std::to_string(k - 1) + ".mp3");
        radio_state.mode = MODE_AM;
        EXPECT_EQ(tooltip_at(x, 120),
                  "AM Preset #" + std::to_string(k) + " - slot" + std::to_string(k + 5) + ".mp3");
        radio_state.mode = MODE_CD;
        cd_tooltip_reply = "";
        EXPECT_EQ(tooltip_at(x, 120), "CD Player Track #" + std::to_string(k) + " - ");
        cd_tooltip_reply = "Audio CD not installed.";
        EXPECT_EQ(tooltip_at(x, 120),
                  "CD Player Track #" + std::to_string(k) + " - Audio CD not installed.");
    }
    // The name is the slot's own buffer: a changed name shows at the next ask.
    radio_state.mode = MODE_FM;
    strcpy(preset_table.slots[2].display_name, FILE_NOT_FOUND);
    EXPECT_EQ(tooltip_at(231, 120), "FM Preset #3 - File not found.");
}

}  // namespace
