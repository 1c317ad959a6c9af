// The mouse areas as the host hit-tests them, the clicks each takes, and the
// tooltip texts in every state that changes them.
#include "gauge/mouse_areas.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/presets.h"
#include "core/radio_state.h"
#include "gauge/module.h"
#include "platform/native/standin.h"
#include "tests/fakes/recording_backends.h"
#include "tests/gauge/panel_reader.h"
#include "tests/support/radio_reset.h"
#include "tests/support/scratch_dir.h"

namespace {

struct Control {
    const char* name;
    PIXBOX area;
    SINT32 click_width;
    SINT32 cursor;
    FLAGS flags;
    PMOUSE_FUNCTION handler;
    const char* tooltip;
    bool inserts;
};

const Control controls[16] = {
    {"power", {410, 0, 66, 46}, 66, CURSOR_HAND, 0x20000000, on_power, tip_text_power, true},
    {"door", {0, 0, 63, 48}, 63, CURSOR_HAND, 0x20000000, on_door, tip_text_door, false},
    {"cd", {408, 48, 68, 23}, 68, CURSOR_HAND, 0x20000000, on_mode_cd, tip_text_mode_cd, false},
    {"fm", {408, 71, 68, 23}, 68, CURSOR_HAND, 0x20000000, on_mode_fm, tip_text_mode_fm, false},
    {"am", {408, 94, 68, 23}, 68, CURSOR_HAND, 0x20000000, on_mode_am, tip_text_mode_am, false},
    {"p1", {145, 100, 36, 47}, 36, CURSOR_HAND, 0xA0000000, on_preset<1>, tip_text_preset[0], 1},
    {"p2", {181, 100, 36, 47}, 34, CURSOR_HAND, 0xA0000000, on_preset<2>, tip_text_preset[1], 1},
    {"p3", {215, 100, 36, 47}, 34, CURSOR_HAND, 0xA0000000, on_preset<3>, tip_text_preset[2], 1},
    {"p4", {249, 100, 36, 47}, 32, CURSOR_HAND, 0xA0000000, on_preset<4>, tip_text_preset[3], 1},
    {"p5", {281, 100, 36, 47}, 35, CURSOR_HAND, 0xA0000000, on_preset<5>, tip_text_preset[4], 1},
    {"p6", {316, 100, 36, 47}, 36, CURSOR_HAND, 0xA0000000, on_preset<6>, tip_text_preset[5], 1},
    {"vol-",
     {0, 85, 51, 34},
     51,
     CURSOR_DOWNARROW,
     0x20200000,
     on_volume_down,
     tip_text_volume_down,
     false},
    {"vol+",
     {0, 51, 51, 33},
     51,
     CURSOR_UPARROW,
     0x20200000,
     on_volume_up,
     tip_text_volume_up,
     false},
    {"prev",
     {352, 100, 24, 47},
     24,
     CURSOR_DOWNARROW,
     0x20000000,
     on_prev_track,
     tip_text_prev_track,
     false},
    {"next",
     {376, 100, 24, 47},
     24,
     CURSOR_UPARROW,
     0x20000000,
     on_next_track,
     tip_text_next_track,
     false},
    {"pause", {120, 100, 24, 47}, 24, CURSOR_HAND, 0x20000000, on_pause, tip_text_pause, true},
};

// The control whose clickable box is at (x, y), or "" for none.
std::string control_at(int x, int y) {
    std::vector<Hit> hits = hits_at(mouse_areas, x, y);
    EXPECT_LE(hits.size(), 1u) << "boxes overlap at " << x << "," << y;
    for (const Control& c : controls) {
        if (!hits.empty() && hits[0].box->mouse_function == c.handler) {
            return c.name;
        }
    }
    return "";
}

std::string tooltip_at(int x, int y) {
    std::vector<Hit> hits = hits_at(mouse_areas, x, y);
    return hits.empty() ? "" : tooltip_text(*hits[0].tooltip, &gauge_header);
}

TEST(MouseAreas, ListShape) {
    const MOUSERECT& whole = mouse_areas[0];
    EXPECT_EQ(whole.rect_type, MOUSE_RECT_PARENT);
    EXPECT_EQ(whole.relative_box.x | whole.relative_box.y | whole.relative_box.size_x, 0);
    for (int i = 0; i < 16; ++i) {
        const Control& c = controls[i];
        SCOPED_TRACE(c.name);
        const MOUSERECT* group = &mouse_areas[1 + 4 * i];
        EXPECT_EQ(group[0].rect_type, MOUSE_RECT_PARENT);
        EXPECT_EQ(memcmp(&group[0].relative_box, &c.area, sizeof c.area), 0);
        EXPECT_EQ(group[1].rect_type, MOUSE_RECT_TOOLTIP_TEXT);
        EXPECT_EQ(reinterpret_cast<const char*>(group[1].mouse_function), c.tooltip);
        EXPECT_EQ(group[1].event_id, c.inserts ? 9u : 0u);
        EXPECT_EQ(group[1].api_data, c.inserts ? tooltip_args : nullptr);
        EXPECT_EQ(group[2].rect_type, MOUSE_RECT_CHILD);
        EXPECT_EQ(group[2].relative_box.x | group[2].relative_box.y, 0);
        EXPECT_EQ(group[2].relative_box.size_x, c.click_width);
        EXPECT_EQ(group[2].relative_box.size_y, c.area.size_y);
        EXPECT_EQ(group[2].cursor, c.cursor);
        EXPECT_EQ(group[2].mouse_flags, c.flags);
        EXPECT_EQ(group[2].mouse_function, c.handler);
        EXPECT_EQ(group[3].rect_type, MOUSE_RECT_END_PARENT);
    }
    EXPECT_EQ(mouse_areas[65].rect_type, MOUSE_RECT_END_PARENT);
    EXPECT_EQ(mouse_areas[66].rect_type, MOUSE_RECT_EOL);
    for (const MOUSERECT& rect : mouse_areas) {
        EXPECT_EQ(rect.help_id, 0u);
        if (rect.rect_type != MOUSE_RECT_CHILD) {
            EXPECT_EQ(rect.cursor, CURSOR_NONE);
            EXPECT_EQ(rect.mouse_flags, 0u);
        } else {
            EXPECT_EQ(rect.event_id, 0u);
            EXPECT_EQ(rect.api_data, nullptr);
        }
        if (rect.rect_type != MOUSE_RECT_PARENT && rect.rect_type != MOUSE_RECT_CHILD) {
            EXPECT_EQ(rect.relative_box.size_x | rect.relative_box.size_y, 0);
        }
    }
    for (int i = 0; i < TOOLTIP_ARGS; ++i) {
        MOUSE_ARG rest = tooltip_args[i];
        EXPECT_NE(rest.string_callback, nullptr);
        rest.string_callback = nullptr;
        MOUSE_ARG zero{};
        EXPECT_EQ(memcmp(&rest, &zero, sizeof zero), 0) << "argument " << i + 1;
    }
}

TEST(MouseAreas, EdgesAndGapsOfEveryBox) {
    // The bottom row tiles from x 120 to 399, apart from x = 144.
    struct Edge {
        int x;
        const char* name;
    } row[] = {{119, ""},   {120, "pause"}, {143, "pause"}, {144, ""},     {145, "p1"},
               {180, "p1"}, {181, "p2"},    {214, "p2"},    {215, "p3"},   {248, "p3"},
               {249, "p4"}, {280, "p4"},    {281, "p5"},    {315, "p5"},   {316, "p6"},
               {351, "p6"}, {352, "prev"},  {375, "prev"},  {376, "next"}, {399, "next"},
               {400, ""}};
    for (const Edge& e : row) {
        EXPECT_EQ(control_at(e.x, 100), e.name) << "x " << e.x;
        EXPECT_EQ(control_at(e.x, 146), e.name) << "x " << e.x;
        EXPECT_EQ(control_at(e.x, 99), "") << "x " << e.x;
    }
    struct Point {
        int x, y;
        const char* name;
    } points[] = {
        {0, 0, "door"},    {62, 47, "door"}, {63, 0, ""},     {0, 48, ""},       {0, 50, ""},
        {0, 51, "vol+"},   {50, 83, "vol+"}, {51, 60, ""},    {10, 84, ""},      {0, 85, "vol-"},
        {50, 118, "vol-"}, {0, 119, ""},     {409, 0, ""},    {410, 0, "power"}, {475, 45, "power"},
        {475, 46, ""},     {475, 47, ""},    {408, 48, "cd"}, {407, 48, ""},     {475, 70, "cd"},
        {408, 71, "fm"},   {475, 93, "fm"},  {408, 94, "am"}, {475, 116, "am"},  {408, 117, ""},
        {476, 60, ""},     {240, 70, ""},
    };
    for (const Point& p : points) {
        EXPECT_EQ(control_at(p.x, p.y), p.name) << p.x << "," << p.y;
    }
}

class Tooltips : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_radio();
        for (int slot = 0; slot < PRESET_SLOTS; ++slot) {
            snprintf(preset_table.slots[slot].display_name, 256, "slot%d.mp3", slot);
        }
    }
};

TEST_F(Tooltips, FixedTextsInEveryState) {
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

TEST_F(Tooltips, PowerAndPauseStates) {
    EXPECT_EQ(tooltip_at(440, 20), "Power On/Off (off)");
    EXPECT_EQ(tooltip_at(130, 120), "Pause On/Off (off)");
    radio_state.power = 1;
    EXPECT_EQ(tooltip_at(440, 20), "Power On/Off (on)");
    EXPECT_EQ(tooltip_at(130, 120), "Pause On/Off (off)");
    radio_state.paused = 1;
    EXPECT_EQ(tooltip_at(130, 120), "Pause On/Off (on)");
}

TEST_F(Tooltips, PresetNamesFollowTheMode) {
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

TEST_F(Tooltips, RightClickAssignmentNamesThePreset) {
    radio_state.power = 1;
    radio_state.mode = MODE_FM;
    ScratchDir dir;
    std::string rain = dir / "Rain.mp3";
    write_file(rain, "rain");
    playable_files = {rain};
    plat::dialog_answer(rain.c_str());
    std::vector<Hit> hits = hits_at(mouse_areas, 231, 120);
    ASSERT_EQ(hits.size(), 1u);
    hits[0].box->mouse_function(nullptr, MOUSE_RIGHTSINGLE);
    EXPECT_EQ(tooltip_at(231, 120), "FM Preset #3 - Rain.mp3");
}

// A host calls a box's handler only for the events in its flags, and again
// while held only with the repeat flag.
TEST_F(Tooltips, ClicksReachOnlyTheHandlersThatTakeThem) {
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        std::vector<Hit> hits = hits_at(mouse_areas, c.area.x + 1, c.area.y + 1);
        ASSERT_EQ(hits.size(), 1u);
        FLAGS flags = hits[0].box->mouse_flags;
        bool preset = c.name[0] == 'p' && isdigit(static_cast<unsigned char>(c.name[1]));
        bool volume = c.name[0] == 'v';
        EXPECT_EQ((flags & MOUSE_RIGHTSINGLE) != 0, preset);
        EXPECT_EQ((flags & MOUSE_DOWN_REPEAT) != 0, volume);
        EXPECT_NE(flags & MOUSE_LEFTSINGLE, 0u);
    }
    // Held down, each repeat steps the volume once.
    radio_state.power = 1;
    radio_state.mode = MODE_FM;
    const MOUSERECT* up = hits_at(mouse_areas, 20, 60)[0].box;
    for (int call = 0; call < 3; ++call) {
        up->mouse_function(nullptr, MOUSE_LEFTSINGLE);
    }
    EXPECT_EQ(radio_state.media_volume, -2000 + 3 * 150);
}

}  // namespace
