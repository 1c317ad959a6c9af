// The host's reading of the gauge's mouse areas: nested boxes laid out on
// the face, the box a point hits, and the tooltip shown there.
#include "host/mouse_map.h"

#include <gtest/gtest.h>

#include "core/radio_state.h"
#include "gauge/mouse_areas.h"

namespace {

struct Expected {
    const char* control;
    FaceBox box;
};

// Every control's clickable box on the face.
const Expected BOXES[] = {
    {"power", {410, 0, 66, 46}},      {"door", {0, 0, 63, 48}},
    {"mode cd", {408, 48, 68, 23}},   {"mode fm", {408, 71, 68, 23}},
    {"mode am", {408, 94, 68, 23}},   {"preset 1", {145, 100, 36, 47}},
    {"preset 2", {181, 100, 34, 47}}, {"preset 3", {215, 100, 34, 47}},
    {"preset 4", {249, 100, 32, 47}}, {"preset 5", {281, 100, 35, 47}},
    {"preset 6", {316, 100, 36, 47}}, {"volume down", {0, 85, 51, 34}},
    {"volume up", {0, 51, 51, 33}},   {"previous", {352, 100, 24, 47}},
    {"next", {376, 100, 24, 47}},     {"pause", {120, 100, 24, 47}},
};

class RealMouseAreas : public ::testing::Test {
  protected:
    MouseMap map = MouseMap::from_list(mouse_areas);
    int index_at(int x, int y) const {
        const ClickBox* box = map.box_at(x, y);
        return box == nullptr ? -1 : int(box - map.boxes.data());
    }
};

TEST_F(RealMouseAreas, EveryBoxEdgeHitsItsOwnControlAndNoMore) {
    ASSERT_EQ(map.boxes.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        const FaceBox& b = BOXES[i].box;
        const char* name = BOXES[i].control;
        EXPECT_EQ(index_at(b.x, b.y), i) << name;
        EXPECT_EQ(index_at(b.x + b.width - 1, b.y + b.height - 1), i) << name;
        EXPECT_EQ(index_at(b.x + b.width - 1, b.y), i) << name;
        EXPECT_EQ(index_at(b.x, b.y + b.height - 1), i) << name;
        // One pixel past each edge belongs to another box, or to none.
        EXPECT_NE(index_at(b.x - 1, b.y), i) << name;
        EXPECT_NE(index_at(b.x + b.width, b.y), i) << name;
        EXPECT_NE(index_at(b.x, b.y - 1), i) << name;
        EXPECT_NE(index_at(b.x, b.y + b.height), i) << name;
    }
}

TEST_F(RealMouseAreas, GapsReachNothing) {
    EXPECT_EQ(index_at(144, 120), -1);  // between pause and preset 1
    EXPECT_EQ(index_at(30, 84), -1);    // the row between volume + and -
    EXPECT_EQ(index_at(200, 60), -1);   // the display window
    EXPECT_EQ(index_at(-1, 10), -1);
    EXPECT_EQ(index_at(476, 10), -1);
}

TEST_F(RealMouseAreas, OnlyThePresetsTakeRightClicksAndOnlyTheVolumeRepeats) {
    for (int i = 0; i < 16; ++i) {
        const ClickBox& box = map.boxes[size_t(i)];
        bool preset = i >= 5 && i <= 10;
        bool volume = i == 11 || i == 12;
        EXPECT_EQ((box.flags & MOUSE_RIGHTSINGLE) != 0, preset) << BOXES[i].control;
        EXPECT_EQ((box.flags & MOUSE_DOWN_REPEAT) != 0, volume) << BOXES[i].control;
        EXPECT_NE(box.flags & MOUSE_LEFTSINGLE, 0u) << BOXES[i].control;
    }
}

TEST_F(RealMouseAreas, TooltipsFollowTheBoxInTheOverlapStrips) {
    radio_state.mode = MODE_FM;
    radio_state.power = 0;
    radio_state.paused = 0;
    // Preset 2's area reaches x = 216, preset 3's starts at 215: the click
    // there goes to preset 3, and so does the tooltip.
    EXPECT_EQ(tooltip_text(map.tooltip_at(214, 120)).substr(0, 13), "FM Preset #2 ");
    EXPECT_EQ(tooltip_text(map.tooltip_at(215, 120)).substr(0, 13), "FM Preset #3 ");
    EXPECT_EQ(tooltip_text(map.tooltip_at(216, 120)).substr(0, 13), "FM Preset #3 ");
    EXPECT_EQ(tooltip_text(map.tooltip_at(284, 120)).substr(0, 13), "FM Preset #5 ");
    EXPECT_EQ(tooltip_text(map.tooltip_at(316, 120)).substr(0, 13), "FM Preset #6 ");
    EXPECT_EQ(map.tooltip_at(144, 120), nullptr);
    EXPECT_EQ(tooltip_text(map.tooltip_at(440, 20)), "Power On/Off (off)");
    radio_state.paused = 1;
    EXPECT_EQ(tooltip_text(map.tooltip_at(131, 120)), "Pause On/Off (on)");
    radio_state.paused = 0;
    EXPECT_EQ(tooltip_text(map.tooltip_at(30, 20)), "Open/Close CD Door");
}

TEST(TooltipText, InsertsAreReplacedAndEverythingElseKept) {
    static MOUSE_ARG args[2] = {};
    args[0].string_callback = [](FLOAT64, ID, const char*, MODULE_VAR*, GAUGEHDR*) {
        return "one";
    };
    args[1].string_callback = [](FLOAT64, ID, const char*, MODULE_VAR*, GAUGEHDR*) {
        return static_cast<const char*>(nullptr);
    };
    static const char text[] = "%1!s!-%2!s!-%3!s!-%1!x!-100%-%1!s";
    MOUSERECT tip = {MOUSE_RECT_TOOLTIP_TEXT,
                     {0, 0, 0, 0},
                     CURSOR_NONE,
                     0,
                     0,
                     2,
                     reinterpret_cast<PMOUSE_FUNCTION>(reinterpret_cast<uintptr_t>(text)),
                     args};
    // A null result and an argument past the count give nothing.
    EXPECT_EQ(tooltip_text(&tip), "one---%1!x!-100%-%1!s");
    tip.api_data = nullptr;  // a fixed text has no arguments
    EXPECT_EQ(tooltip_text(&tip), "---%1!x!-100%-%1!s");
    EXPECT_EQ(tooltip_text(nullptr), "");
}

TEST(MouseMapNesting, BoxesAreRelativeToTheEnclosingArea) {
    MOUSERECT list[] = {
        {MOUSE_RECT_PARENT, {100, 50, 0, 0}, CURSOR_NONE, 0, 0, 0, nullptr, nullptr},
        {MOUSE_RECT_PARENT, {10, 5, 40, 20}, CURSOR_NONE, 0, 0, 0, nullptr, nullptr},
        {MOUSE_RECT_CHILD, {2, 3, 4, 5}, CURSOR_HAND, 0, MOUSE_LEFTSINGLE, 0, nullptr, nullptr},
        {MOUSE_RECT_END_PARENT, {0, 0, 0, 0}, CURSOR_NONE, 0, 0, 0, nullptr, nullptr},
        {MOUSE_RECT_CHILD, {1, 1, 2, 2}, CURSOR_UPARROW, 0, MOUSE_LEFTSINGLE, 0, nullptr, nullptr},
        {MOUSE_RECT_END_PARENT, {0, 0, 0, 0}, CURSOR_NONE, 0, 0, 0, nullptr, nullptr},
        // An unbalanced end is ignored; the next box is at the gauge's origin.
        {MOUSE_RECT_END_PARENT, {0, 0, 0, 0}, CURSOR_NONE, 0, 0, 0, nullptr, nullptr},
        {MOUSE_RECT_CHILD,
         {7, 7, 1, 1},
         CURSOR_DOWNARROW,
         0,
         MOUSE_LEFTSINGLE,
         0,
         nullptr,
         nullptr},
        {MOUSE_RECT_EOL, {0, 0, 0, 0}, CURSOR_NONE, 0, 0, 0, nullptr, nullptr},
    };
    MouseMap map = MouseMap::from_list(list, PIXPOINT{20, 30});
    ASSERT_EQ(map.boxes.size(), 3u);
    EXPECT_EQ(map.boxes[0].box.x, 132);
    EXPECT_EQ(map.boxes[0].box.y, 88);
    EXPECT_EQ(map.boxes[1].box.x, 121);
    EXPECT_EQ(map.boxes[1].box.y, 81);
    EXPECT_EQ(map.boxes[2].box.x, 27);
    EXPECT_EQ(map.boxes[2].box.y, 37);
    EXPECT_EQ(map.box_at(133, 90)->cursor, CURSOR_HAND);
    EXPECT_EQ(map.box_at(136, 90), nullptr);
}

}  // namespace
