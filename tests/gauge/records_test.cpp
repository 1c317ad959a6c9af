// The exported records as the host reads them: Linkage, ImportTable, the
// gauge header, the element chain, the pointer's table, the routines' slots.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "audio/cd.h"
#include "gauge/face.h"
#include "gauge/module.h"
#include "gauge/mouse_areas.h"
#include "tests/gauge/panel_reader.h"

namespace {

TEST(Records, LinkageAndImportTableWords) {
    const auto* linkage = reinterpret_cast<const UINT_PTR*>(&Linkage);
    ASSERT_EQ(sizeof Linkage, 8 * sizeof(UINT_PTR));
    EXPECT_EQ(linkage[0], 0x13u);
    EXPECT_EQ(linkage[1], reinterpret_cast<UINT_PTR>(module_init));
    EXPECT_EQ(linkage[2], reinterpret_cast<UINT_PTR>(module_deinit));
    EXPECT_EQ(linkage[3] | linkage[4] | linkage[5] | linkage[7], 0u);
    EXPECT_EQ(linkage[6], reinterpret_cast<UINT_PTR>(&gauge_header));

    const auto* import = reinterpret_cast<const UINT_PTR*>(&ImportTable);
    ASSERT_EQ(sizeof ImportTable, 4 * sizeof(UINT_PTR));
    EXPECT_EQ(import[0], 0x0Fu);
    EXPECT_EQ(import[1] | import[2] | import[3], 0u);
}

TEST(Records, GaugeHeaderValues) {
    const GAUGEHDR& header = *Linkage.gauge_header_ptr[0];
    EXPECT_EQ(header.gauge_header_version, 700u);
    EXPECT_STREQ(header.gauge_name, "skytune");
    EXPECT_EQ(header.elements_list[0], &face_background.header);
    EXPECT_EQ(header.elements_list[1], nullptr);
    EXPECT_EQ(header.size_x_mm, 98u);
    EXPECT_EQ(header.mouse_rect, mouse_areas);
    EXPECT_EQ(header.gauge_callback, gauge_service);
    EXPECT_EQ(header.query_routine, gauge_query);
    EXPECT_EQ(header.install_routine, gauge_install);
    EXPECT_EQ(header.initialize_routine, gauge_initialize);
    EXPECT_EQ(header.update_routine, gauge_update);
    EXPECT_EQ(header.generate_routine, gauge_generate);
    EXPECT_EQ(header.draw_routine, gauge_draw);
    EXPECT_EQ(header.kill_routine, gauge_kill);
    // Every word the gauge does not set is zero.
    GAUGEHDR rest = header;
    rest.gauge_header_version = rest.size_x_mm = 0;
    rest.gauge_name = nullptr;
    rest.elements_list = nullptr;
    rest.query_routine = nullptr;
    rest.install_routine = nullptr;
    rest.initialize_routine = nullptr;
    rest.update_routine = nullptr;
    rest.generate_routine = nullptr;
    rest.draw_routine = nullptr;
    rest.kill_routine = nullptr;
    rest.mouse_rect = nullptr;
    rest.gauge_callback = nullptr;
    GAUGEHDR zero{};
    EXPECT_EQ(memcmp(&rest, &zero, sizeof zero), 0);
}

struct ExpectedElement {
    ENUM kind;
    ID id;
    PIXPOINT position;
    FLAGS flags;
    UINT32 images;  // icons only
    void* value;
};

TEST(Records, ElementChain) {
    const ExpectedElement expected[FACE_ELEMENT_COUNT] = {
        {ELEMENT_TYPE_STATIC_IMAGE, 4096, {0, 0}, 0x00004001, 0, nullptr},
        {ELEMENT_TYPE_ICON, 17669, {125, 113}, 0x40000007, 2, (void*)pause_lamp_value},
        {ELEMENT_TYPE_ICON, 13824, {0, 0}, 0x40000007, 1, nullptr},
        {ELEMENT_TYPE_ICON, 13568, {378, 59}, 0x40000007, 1, (void*)power_led_value},
        {ELEMENT_TYPE_ICON, 12288, {136, 58}, 0x40000007, 13, (void*)station_dial_value},
        {ELEMENT_TYPE_ICON, 9472, {150, 111}, 0x40000007, 7, (void*)preset_lamps_value},
        {ELEMENT_TYPE_ICON, 8192, {417, 49}, 0x40000007, 4, (void*)mode_lamps_value},
        {ELEMENT_TYPE_NEEDLE, 16384, {83, 84}, 0x40004003, 0, (void*)volume_pointer_value},
        {ELEMENT_TYPE_STRING, 0xFFFFFFFF, {225, 65}, 0x40000007, 0, (void*)cd_display_poll},
        {ELEMENT_TYPE_NEEDLE, 16384, {83, 84}, 0x40000007, 0, (void*)volume_pointer_value},
        {ELEMENT_TYPE_ICON, 17672, {431, 30}, 0x00000007, 1, nullptr},
    };
    std::vector<ELEMENT_HEADER*> chain = face_chain(gauge_header);
    ASSERT_EQ(chain.size(), size_t(FACE_ELEMENT_COUNT));
    for (size_t i = 0; i < chain.size(); ++i) {
        SCOPED_TRACE("element " + std::to_string(i));
        const ELEMENT_HEADER& e = *chain[i];
        const ExpectedElement& want = expected[i];
        EXPECT_EQ(e.element_type, want.kind);
        EXPECT_EQ(e.resource_id, want.id);
        EXPECT_EQ(e.position.x, want.position.x);
        EXPECT_EQ(e.position.y, want.position.y);
        EXPECT_EQ(e.image_flags, want.flags);
        EXPECT_EQ(e.gauge_header, &gauge_header);
        EXPECT_EQ(e.previous_element, nullptr);
        EXPECT_EQ(e.failure_systems, nullptr);
        EXPECT_EQ(e.aircraft_special_instrumentation | e.reserved, 0u);
        if (i + 1 < chain.size()) {
            EXPECT_EQ(e.next_element[1], nullptr) << "one element per next-element list";
        } else {
            EXPECT_EQ(e.next_element, nullptr);
        }
        if (e.element_type == ELEMENT_TYPE_ICON) {
            const auto& icon = reinterpret_cast<const ELEMENT_ICON&>(e);
            EXPECT_EQ(icon.num_icons, want.images);
            EXPECT_EQ((void*)icon.update_cb, want.value);
            EXPECT_EQ(icon.switch_type, 0);
            EXPECT_EQ(icon.scale, 0.0);
            EXPECT_EQ(icon.offset, 0);
            EXPECT_EQ(icon.source_var.var_ptr, nullptr);
        } else if (e.element_type == ELEMENT_TYPE_NEEDLE) {
            const auto& needle = reinterpret_cast<const ELEMENT_NEEDLE&>(e);
            EXPECT_EQ(e.ofs.x, 1);
            EXPECT_EQ(e.ofs.y, 4);
            EXPECT_EQ((void*)needle.update_cb, want.value);
            EXPECT_EQ(needle.nonlinearity_table, volume_pointer_table);
            EXPECT_EQ(needle.nonlinearity_table_size, 4u);
            EXPECT_EQ(needle.reference.x | needle.reference.y, 0);
            EXPECT_EQ(needle.max_degrees_per_tick, 0.0f);
        }
    }
}

TEST(Records, TrackDisplayString) {
    const auto& text = reinterpret_cast<const ELEMENT_STRING&>(*face_chain(gauge_header)[8]);
    EXPECT_EQ(text.img_size.x, 40);
    EXPECT_EQ(text.img_size.y, 32);
    EXPECT_EQ(text.max_string_length, 2);
    EXPECT_EQ(text.fg_color, 0x00FFF7F7u);
    EXPECT_EQ(text.bg_color, 0u);
    EXPECT_EQ(text.hilite_color, 0x00FFF7F7u);
    EXPECT_STREQ(text.font_name, "Courier New");
    EXPECT_EQ(text.font_weight, 400);
    EXPECT_EQ(text.font_charset, 1);
    EXPECT_EQ(text.draw_text_flags, 0x25u);
    EXPECT_EQ(text.update_cb, cd_display_poll);
    // The host provides the buffer; no source variables, no highlights.
    EXPECT_EQ(text.string, nullptr);
    EXPECT_EQ(text.highlight_list, nullptr);
    EXPECT_EQ(text.source_fn, nullptr);
    EXPECT_EQ(text.source_var[0].var_ptr, nullptr);
}

// The pointer's directions: silence straight left, full straight right,
// 90 degrees for every 5000, and the extra point about 46 degrees below left.
TEST(Records, VolumePointerTable) {
    const double expected_value[] = {-15000, -10000, -5000, 0};
    const double expected_angle[] = {-134.0, 180.0, 90.0, 0.0};
    for (int i = 0; i < 4; ++i) {
        const NONLINEARITY& point = volume_pointer_table[i];
        EXPECT_EQ(point.value, expected_value[i]);
        EXPECT_EQ(point.degrees, 0.0);
        double angle = std::atan2(84 - point.pt.y, point.pt.x - 83) * 180 / M_PI;
        EXPECT_NEAR(angle, expected_angle[i], 2.0) << "point " << i;
    }
}

// A services table that records what each slot is given.
ELEMENT_HEADER* slot_element[PANEL_SLOT_COUNT];
UINT_PTR slot_argument[PANEL_SLOT_COUNT];

template <int slot>
SINT32 FSAPI service_one(ELEMENT_HEADER* element) {
    slot_element[slot] = element;
    return 1000 + slot;
}

template <int slot>
SINT32 FSAPI service_two(ELEMENT_HEADER* element, UINT_PTR argument) {
    slot_element[slot] = element;
    slot_argument[slot] = argument;
    return -1000 - slot;
}

TEST(Records, ElementListRoutinesForwardTheRootToTheirSlots) {
    PANELS panels{};
    panels.slot[24] = (void*)service_one<24>;
    panels.slot[25] = (void*)service_two<25>;
    panels.slot[26] = (void*)service_one<26>;
    panels.slot[27] = (void*)service_one<27>;
    panels.slot[28] = (void*)service_two<28>;
    panels.slot[29] = (void*)service_one<29>;
    panels.slot[30] = (void*)service_one<30>;
    panels.slot[31] = (void*)service_one<31>;
    ImportTable.panels_entry.fnptr = &panels;

    EXPECT_EQ(gauge_query(), 1024);
    EXPECT_EQ(gauge_install(0xDEADBEEF), -1025);
    EXPECT_EQ(gauge_initialize(), 1026);
    EXPECT_EQ(gauge_update(), 1027);
    EXPECT_EQ(gauge_generate(0xFFFFFFFF), -1028);
    EXPECT_EQ(gauge_draw(), 1029);
    EXPECT_EQ(gauge_kill(), 1031);
    EXPECT_EQ(slot_argument[25], 0xDEADBEEFu);
    EXPECT_EQ(slot_argument[28], 0xFFFFFFFFu);
    EXPECT_EQ(slot_element[30], nullptr) << "erase is not used";
    for (int slot : {24, 25, 26, 27, 28, 29, 31}) {
        EXPECT_EQ(slot_element[slot], &face_background.header) << "slot " << slot;
    }
    ImportTable.panels_entry.fnptr = nullptr;
    EXPECT_EQ(gauge_draw(), 0) << "no services table yet: nothing to call";
}

}  // namespace
