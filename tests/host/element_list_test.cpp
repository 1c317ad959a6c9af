// The host's element list over hand-made records: the text element's buffer
// and callback, the hidden bit, transparency and the dark panel; and the
// panel services that reach the list from the module.
#include "host/element_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "host/panel_services.h"

namespace {

int text_calls = 0;

FLOAT64 write_digits(ELEMENT_STRING* element) {
    ++text_calls;
    snprintf(element->string, size_t(element->max_string_length) + 1, "%02d", 88);
    return 7.0;
}

class TextElement : public ::testing::Test {
  protected:
    void SetUp() override {
        text_calls = 0;
        memset(&text, 0, sizeof text);
        text.header.element_type = ELEMENT_TYPE_STRING;
        text.header.resource_id = 0xFFFFFFFF;
        text.header.position = {10, 5};
        text.header.image_flags = IMAGE_USE_TRANSPARENCY;
        text.img_size = {40, 32};
        text.max_string_length = 2;
        text.fg_color = 0x00FFFFFF;
        strcpy(text.font_name, "Courier New");
        text.draw_text_flags = 0x25;
        text.update_cb = write_digits;
        list.install(&text.header, nullptr);
    }
    void TearDown() override { list.kill(); }

    // The brightest pixel of the text's box, and the count of lit pixels.
    Image drawn(bool night, uint32_t ground = 0x203040) {
        Image face(60, 40, ground);
        list.plot(face, night);
        return face;
    }
    static int brightest(const Image& face) {
        int best = 0;
        for (uint32_t p : face.pixels) {
            best = std::max(best, int(p >> 16) & 0xFF);
        }
        return best;
    }

    ELEMENT_STRING text;
    ElementList list;
};

TEST_F(TextElement, TheCallbackFillsTheHostsBufferEvenWhileHidden) {
    ASSERT_NE(text.string, nullptr);
    text.header.image_flags |= IMAGE_HIDDEN;
    list.update();
    EXPECT_EQ(text_calls, 1);
    EXPECT_STREQ(list.elements()[0].text.data(), "88");
    EXPECT_EQ(list.elements()[0].value, 7.0);
    // Hidden: nothing drawn over the ground.
    Image face = drawn(false);
    EXPECT_EQ(brightest(face), 0x20);
    list.kill();
    EXPECT_EQ(text.string, nullptr);
}

TEST_F(TextElement, TransparentGroundAndTheDarkPanel) {
    list.update();
    Image day = drawn(false);
    EXPECT_EQ(brightest(day), 255);
    // Transparent: the ground around the letters is untouched.
    EXPECT_EQ(day.at(11, 6), 0x203040u);

    // Neither bright nor luminous: dimmed when the panel is dark.
    Image night = drawn(true);
    EXPECT_NEAR(brightest(night), int(255 * NIGHT_DIMMING), 2);
    text.header.image_flags |= IMAGE_USE_LUMINOUS;
    EXPECT_EQ(brightest(drawn(true)), 255);

    // Without transparency the box is filled with the background colour.
    text.header.image_flags = 0;
    text.bg_color = 0x00000080;  // red 0x80
    EXPECT_EQ(drawn(false).at(11, 6), 0x800000u);
}

// The slots find the list by the root element the module names, draw only
// where the host says, and forget the list when its module goes.
TEST_F(TextElement, ServicesFindTheListByItsRoot) {
    PANELS* services = panel_services_table();
    auto slot = [&](int number) {
        return reinterpret_cast<PELEMENT_LIST_ROUTINE>(services->slot[number]);
    };
    ELEMENT_HEADER other{};
    panel_services_serve(&text.header, &list);
    EXPECT_EQ(slot(PANEL_SLOT_ELEMENT_LIST_UPDATE)(&other), 0) << "a root nobody serves";
    EXPECT_EQ(text_calls, 0);
    EXPECT_EQ(slot(PANEL_SLOT_ELEMENT_LIST_UPDATE)(&text.header), 1);
    EXPECT_EQ(text_calls, 1);
    EXPECT_EQ(slot(PANEL_SLOT_ELEMENT_LIST_PLOT)(&text.header), 0) << "no face to draw into";
    Image face(60, 40, 0x203040);
    list.set_canvas(&face, false);
    EXPECT_EQ(slot(PANEL_SLOT_ELEMENT_LIST_PLOT)(&text.header), 1);
    EXPECT_EQ(brightest(face), 255);
    list.set_canvas(nullptr, false);

    panel_services_withdraw(&list);
    EXPECT_EQ(slot(PANEL_SLOT_ELEMENT_LIST_UPDATE)(&text.header), 0);
    EXPECT_EQ(text_calls, 1);
}

TEST(ElementChain, OrderFollowsTheNextListsAndStopsAtLoops) {
    ELEMENT_HEADER a = {}, b = {}, c = {};
    ELEMENT_HEADER* after_a[] = {&b, &c, nullptr};
    ELEMENT_HEADER* after_b[] = {&a, nullptr};  // a loop back to the root
    a.next_element = after_a;
    b.next_element = after_b;
    std::vector<ELEMENT_HEADER*> order = chain_of(&a);
    EXPECT_EQ(order, (std::vector<ELEMENT_HEADER*>{&a, &b, &c}));
}

}  // namespace
