// The face follows the radio: what pre-update shows or hides, and the values
// that pick each lamp's image and the pointer's direction.
#include "gauge/face.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/radio_state.h"
#include "gauge/module.h"
#include "gauge/service.h"
#include "tests/fakes/recording_backends.h"
#include "tests/gauge/face_flags_kept.h"
#include "tests/support/radio_reset.h"

namespace {

class Face : public ::testing::Test {
  protected:
    void SetUp() override { reset_radio(); }

    // "1" for each shown element, "0" for each hidden one, in chain order.
    std::string shown_after_pre_update() {
        gauge_service(&gauge_header, PANEL_SERVICE_PRE_UPDATE, 0);
        std::string shown;
        for (ELEMENT_HEADER* element : chain) {
            shown += (element->image_flags & IMAGE_HIDDEN) != 0 ? '0' : '1';
        }
        return shown;
    }

    double value(UINT32 index) {
        ELEMENT_HEADER* element = chain[index];
        if (element->element_type == ELEMENT_TYPE_NEEDLE) {
            auto* needle = reinterpret_cast<ELEMENT_NEEDLE*>(element);
            return needle->update_cb(needle);
        }
        auto* icon = reinterpret_cast<ELEMENT_ICON*>(element);
        return icon->update_cb(icon);
    }

    FaceFlagsKept kept{gauge_header};
    const std::vector<ELEMENT_HEADER*>& chain = kept.chain();
    const std::vector<FLAGS>& saved_flags = kept.flags();
};

TEST_F(Face, PreUpdateFollowsPowerModeAndPlaying) {
    struct Case {
        int32_t power, mode, cd_playing;
        const char* shown;  // elements 0-10
    } cases[] = {
        {0, MODE_CD, 0, "10000001001"}, {0, MODE_CD, 1, "10000001001"},
        {0, MODE_FM, 0, "10000001001"}, {1, MODE_CD, 0, "11111110011"},
        {1, MODE_CD, 1, "11111110111"}, {1, MODE_FM, 1, "11111110011"},
        {1, MODE_AM, 0, "11111110011"}, {0, MODE_AM, 1, "10000001001"},
    };
    for (const Case& c : cases) {
        radio_state.power = c.power;
        radio_state.mode = c.mode;
        radio_state.cd_playing = c.cd_playing;
        EXPECT_EQ(shown_after_pre_update(), c.shown)
            << "power " << c.power << " mode " << c.mode << " playing " << c.cd_playing;
    }
    EXPECT_TRUE(backend_calls.empty()) << "showing and hiding makes no sound";
}

TEST_F(Face, PreUpdateTouchesOnlyTheHiddenBit) {
    radio_state.power = 1;
    shown_after_pre_update();
    radio_state.power = 0;
    shown_after_pre_update();
    for (size_t i = 0; i < chain.size(); ++i) {
        EXPECT_EQ(chain[i]->image_flags | IMAGE_HIDDEN, saved_flags[i] | IMAGE_HIDDEN);
    }
}

TEST_F(Face, HideAndShowWalkTheChain) {
    ELEMENT_HEADER* root = chain[0];
    element_hide(root, 0, 0x10);
    EXPECT_EQ(root->image_flags, saved_flags[0] | 0x10);
    element_show(root, 0, 0x10 | IMAGE_USE_TRANSPARENCY);
    EXPECT_EQ(root->image_flags, IMAGE_USE_LUMINOUS);
    element_show(root, 10, IMAGE_USE_ERASE);
    EXPECT_EQ(chain[10]->image_flags, IMAGE_USE_BRIGHT | IMAGE_USE_TRANSPARENCY);
    // Past the chain's end nothing changes.
    for (UINT32 n : {11u, 12u, 0xFFFFFFFFu}) {
        element_hide(root, n, 0xFFFFFFFF);
        element_show(root, n, 0xFFFFFFFF);
    }
    for (size_t i = 1; i < 10; ++i) {
        EXPECT_EQ(chain[i]->image_flags, saved_flags[i]);
    }
}

TEST_F(Face, LampValuesInEveryMode) {
    for (int32_t mode : {MODE_CD, MODE_FM, MODE_AM}) {
        for (int32_t preset = 0; preset < 6; ++preset) {
            radio_state.mode = mode;
            radio_state.preset = preset;
            radio_state.lamp = mode == MODE_CD ? 0 : preset + (mode == MODE_FM ? 1 : 7);
            radio_state.paused = preset % 2;
            radio_state.power = 1;
            EXPECT_EQ(value(FACE_POWER_LED), 1.0);
            EXPECT_EQ(value(FACE_PAUSE_LAMP), preset % 2);
            EXPECT_EQ(value(FACE_STATION_DIAL), radio_state.lamp);
            EXPECT_EQ(value(FACE_PRESET_LAMPS), preset);
            EXPECT_EQ(value(FACE_MODE_LAMPS), mode);
            radio_state.power = 0;
            EXPECT_EQ(value(FACE_POWER_LED), 0.0);
            EXPECT_EQ(value(FACE_PRESET_LAMPS), 6.0) << "the row without a bar";
            EXPECT_EQ(value(FACE_MODE_LAMPS), 3.0) << "no key lit";
            EXPECT_EQ(value(FACE_STATION_DIAL), radio_state.lamp);
        }
    }
}

TEST_F(Face, PointerShowsTheVolumeOfTheModesSource) {
    radio_state.cd_volume = -10100;
    radio_state.media_volume = 100;
    for (int32_t power : {0, 1}) {
        radio_state.power = power;
        radio_state.mode = MODE_CD;
        EXPECT_EQ(value(FACE_VOLUME_POINTER_DIM), -10100.0);
        EXPECT_EQ(value(FACE_VOLUME_POINTER_BRIGHT), -10100.0);
        radio_state.mode = MODE_FM;
        EXPECT_EQ(value(FACE_VOLUME_POINTER_BRIGHT), 100.0);
        radio_state.mode = MODE_AM;
        EXPECT_EQ(value(FACE_VOLUME_POINTER_DIM), 100.0);
    }
    // The directions from the pivot: silence straight left, full straight
    // right, 90 degrees for every 5000, and a point about 46 degrees below
    // left for the levels past silence.
    for (UINT32 index : {FACE_VOLUME_POINTER_DIM, FACE_VOLUME_POINTER_BRIGHT}) {
        const auto& needle = *reinterpret_cast<ELEMENT_NEEDLE*>(chain[index]);
        const double expected_value[] = {-15000, -10000, -5000, 0};
        const double expected_angle[] = {-134.0, 180.0, 90.0, 0.0};
        ASSERT_EQ(needle.nonlinearity_table_size, 4u);
        for (int i = 0; i < 4; ++i) {
            const NONLINEARITY& point = needle.nonlinearity_table[i];
            EXPECT_EQ(point.value, expected_value[i]);
            double angle = std::atan2(needle.header.position.y - point.pt.y,
                                      point.pt.x - needle.header.position.x) *
                           180 / M_PI;
            EXPECT_NEAR(angle, expected_angle[i], 2.0) << "point " << i;
        }
    }
}

}  // namespace
