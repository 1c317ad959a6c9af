// The host's reading of mouse areas: nested boxes laid out on the face, the
// box a point hits, and the tooltip shown there. The gauge's own boxes and
// their edges are tested with the gauge (tests/gauge/mouse_areas_test.cpp).
#include "host/mouse_map.h"

#include <gtest/gtest.h>

#include "core/radio_state.h"
#include "gauge/mouse_areas.h"

namespace {

// Where the gauge's preset areas overlap, the tooltip is the clicked box's.
TEST(RealMouseAreas, TooltipsFollowTheBoxInTheOverlapStrips) {
    MouseMap map = MouseMap::from_list(mouse_areas);
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

// A record of the given type; a child box clicks with the left button.
MOUSERECT rect(ENUM type, PIXBOX box = {0, 0, 0, 0}, SINT32 cursor = CURSOR_NONE) {
    FLAGS flags = type == MOUSE_RECT_CHILD ? FLAGS(MOUSE_LEFTSINGLE) : 0;
    return MOUSERECT{type, box, cursor, 0, flags, 0, nullptr, nullptr};
}

TEST(MouseMapNesting, BoxesAreRelativeToTheEnclosingArea) {
    MOUSERECT list[] = {
        rect(MOUSE_RECT_PARENT, {100, 50, 0, 0}),
        rect(MOUSE_RECT_PARENT, {10, 5, 40, 20}),
        rect(MOUSE_RECT_CHILD, {2, 3, 4, 5}, CURSOR_HAND),
        rect(MOUSE_RECT_END_PARENT),
        rect(MOUSE_RECT_CHILD, {1, 1, 2, 2}, CURSOR_UPARROW),
        rect(MOUSE_RECT_END_PARENT),
        // An unbalanced end is ignored; the next box is at the gauge's origin.
        rect(MOUSE_RECT_END_PARENT),
        rect(MOUSE_RECT_CHILD, {7, 7, 1, 1}, CURSOR_DOWNARROW),
        rect(MOUSE_RECT_EOL),
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
