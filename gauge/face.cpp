// The face's element records, built from the last element of the chain to the
// first so that each can name the list of the one after it.
#include "gauge/face.h"

#include "audio/cd.h"
#include "core/radio_state.h"
#include "gauge/module.h"

namespace {

// Lamps and pointers start hidden: nothing lit before the first pre-update.
constexpr FLAGS LAMP_FLAGS =
    IMAGE_HIDDEN | IMAGE_USE_ERASE | IMAGE_USE_TRANSPARENCY | IMAGE_USE_BRIGHT;
// The dim pointer is lit by the panel lights instead of glowing by itself.
constexpr FLAGS DIM_POINTER_FLAGS =
    IMAGE_HIDDEN | IMAGE_USE_LUMINOUS | IMAGE_USE_ERASE | IMAGE_USE_TRANSPARENCY;
constexpr FLAGS BACKGROUND_FLAGS = IMAGE_USE_LUMINOUS | IMAGE_USE_TRANSPARENCY;
constexpr FLAGS KNOB_MARK_FLAGS = IMAGE_USE_BRIGHT | IMAGE_USE_ERASE | IMAGE_USE_TRANSPARENCY;

constexpr ID NO_BITMAP = static_cast<ID>(-1);
constexpr UINT32 TRACK_CHARACTERS = 2;
// Colours are stored red in the low byte, then green, then blue.
constexpr UINT32 DISPLAY_WHITE = 0x00FFF7F7;
constexpr SINT32 FONT_WEIGHT_NORMAL = 400;
constexpr uint8_t DEFAULT_CHARSET_ID = 1;
// Centred both ways on one line, as DrawText's DT_CENTER | DT_VCENTER | DT_SINGLELINE.
constexpr UINT32 TRACK_TEXT_FLAGS = 0x25;

constexpr ELEMENT_HEADER element_header(ENUM kind, ID id, PIXPOINT position, FLAGS flags,
                                        ELEMENT_LIST next) {
    ELEMENT_HEADER header{};
    header.element_type = kind;
    header.resource_id = id;
    header.position = position;
    header.gauge_header = &gauge_header;
    header.next_element = next;
    header.image_flags = flags;
    return header;
}

constexpr ELEMENT_ICON icon(ID id, PIXPOINT position, FLAGS flags, UINT32 images,
                            PICON_UPDATE_CALLBACK value, ELEMENT_LIST next) {
    ELEMENT_ICON element{};
    element.header = element_header(ELEMENT_TYPE_ICON, id, position, flags, next);
    element.num_icons = images;
    element.update_cb = value;
    return element;
}

// Both volume pointers turn the same bitmap about the knob's centre.
constexpr ELEMENT_NEEDLE volume_pointer(FLAGS flags, ELEMENT_LIST next) {
    ELEMENT_NEEDLE element{};
    element.header = element_header(ELEMENT_TYPE_NEEDLE, 16384, {83, 84}, flags, next);
    element.header.ofs = {1, 4};
    element.nonlinearity_table = volume_pointer_table;
    element.nonlinearity_table_size = VOLUME_POINTER_POINTS;
    element.update_cb = volume_pointer_value;
    return element;
}

constexpr ELEMENT_STRING track_string(ELEMENT_LIST next) {
    ELEMENT_STRING element{};
    element.header = element_header(ELEMENT_TYPE_STRING, NO_BITMAP, {225, 65}, LAMP_FLAGS, next);
    element.img_size = {40, 32};
    element.fg_color = DISPLAY_WHITE;
    element.bg_color = 0;
    element.hilite_color = DISPLAY_WHITE;
    const char font[] = "Courier New";
    for (size_t i = 0; i < sizeof font; ++i) {
        element.font_name[i] = font[i];
    }
    element.font_weight = FONT_WEIGHT_NORMAL;
    element.font_charset = DEFAULT_CHARSET_ID;
    element.draw_text_flags = TRACK_TEXT_FLAGS;
    element.max_string_length = TRACK_CHARACTERS;
    element.update_cb = cd_display_poll;
    return element;
}

constexpr ELEMENT_STATIC_IMAGE static_image(ID id, FLAGS flags, ELEMENT_LIST next) {
    ELEMENT_STATIC_IMAGE element{};
    element.header = element_header(ELEMENT_TYPE_STATIC_IMAGE, id, {0, 0}, flags, next);
    return element;
}

// The element n steps down the chain, or null where the chain ends sooner.
ELEMENT_HEADER* chain_element(ELEMENT_HEADER* root, UINT32 n) {
    ELEMENT_HEADER* element = root;
    for (UINT32 step = 0; step < n && element != nullptr; ++step) {
        element = element->next_element != nullptr ? element->next_element[0] : nullptr;
    }
    return element;
}

void element_visible(ELEMENT_HEADER* root, UINT32 n, bool visible) {
    if (visible) {
        element_show(root, n, IMAGE_HIDDEN);
    } else {
        element_hide(root, n, IMAGE_HIDDEN);
    }
}

}  // namespace

// Face positions whose direction from the pivot (83, 84) gives the pointer's
// angle for a volume level: 90 degrees for every 5000, silence straight left.
NONLINEARITY volume_pointer_table[VOLUME_POINTER_POINTS] = {
    {{61, 107}, -15000.0, 0.0},
    {{52, 84}, -10000.0, 0.0},
    {{84, 53}, -5000.0, 0.0},
    {{116, 84}, 0.0, 0.0},
};

ELEMENT_ICON knob_mark = icon(17672, {431, 30}, KNOB_MARK_FLAGS, 1, nullptr, nullptr);
ELEMENT_HEADER* knob_mark_list[] = {&knob_mark.header, nullptr};

ELEMENT_NEEDLE volume_pointer_bright = volume_pointer(LAMP_FLAGS, knob_mark_list);
ELEMENT_HEADER* volume_pointer_bright_list[] = {&volume_pointer_bright.header, nullptr};

ELEMENT_STRING track_display = track_string(volume_pointer_bright_list);
ELEMENT_HEADER* track_display_list[] = {&track_display.header, nullptr};

ELEMENT_NEEDLE volume_pointer_dim = volume_pointer(DIM_POINTER_FLAGS, track_display_list);
ELEMENT_HEADER* volume_pointer_dim_list[] = {&volume_pointer_dim.header, nullptr};

ELEMENT_ICON mode_lamps =
    icon(8192, {417, 49}, LAMP_FLAGS, 4, mode_lamps_value, volume_pointer_dim_list);
ELEMENT_HEADER* mode_lamps_list[] = {&mode_lamps.header, nullptr};

ELEMENT_ICON preset_lamps =
    icon(9472, {150, 111}, LAMP_FLAGS, 7, preset_lamps_value, mode_lamps_list);
ELEMENT_HEADER* preset_lamps_list[] = {&preset_lamps.header, nullptr};

ELEMENT_ICON station_dial =
    icon(12288, {136, 58}, LAMP_FLAGS, 13, station_dial_value, preset_lamps_list);
ELEMENT_HEADER* station_dial_list[] = {&station_dial.header, nullptr};

ELEMENT_ICON power_led = icon(13568, {378, 59}, LAMP_FLAGS, 1, power_led_value, station_dial_list);
ELEMENT_HEADER* power_led_list[] = {&power_led.header, nullptr};

ELEMENT_ICON volume_keys_lit = icon(13824, {0, 0}, LAMP_FLAGS, 1, nullptr, power_led_list);
ELEMENT_HEADER* volume_keys_lit_list[] = {&volume_keys_lit.header, nullptr};

ELEMENT_ICON pause_lamp =
    icon(17669, {125, 113}, LAMP_FLAGS, 2, pause_lamp_value, volume_keys_lit_list);
ELEMENT_HEADER* pause_lamp_list[] = {&pause_lamp.header, nullptr};

ELEMENT_STATIC_IMAGE face_background = static_image(4096, BACKGROUND_FLAGS, pause_lamp_list);
ELEMENT_HEADER* face_elements[2] = {&face_background.header, nullptr};

// The flags and the mode and preset numbers are read as unsigned words, the
// volumes as signed ones.
FLOAT64 FSAPI pause_lamp_value(ELEMENT_ICON*) {
    return static_cast<UINT32>(radio_state.paused);
}

FLOAT64 FSAPI power_led_value(ELEMENT_ICON*) {
    return static_cast<UINT32>(radio_state.power);
}

FLOAT64 FSAPI station_dial_value(ELEMENT_ICON*) {
    return static_cast<UINT32>(radio_state.lamp);
}

// Image 6 is the row without a bar.
FLOAT64 FSAPI preset_lamps_value(ELEMENT_ICON*) {
    return radio_state.power == 1 ? static_cast<UINT32>(radio_state.preset) : 6.0;
}

// Image 3 is the keys without a lit one.
FLOAT64 FSAPI mode_lamps_value(ELEMENT_ICON*) {
    return radio_state.power == 1 ? static_cast<UINT32>(radio_state.mode) : 3.0;
}

// The pointer shows the level of the source the mode plays, on or off.
FLOAT64 FSAPI volume_pointer_value(ELEMENT_NEEDLE*) {
    return radio_state.mode == MODE_CD ? radio_state.cd_volume : radio_state.media_volume;
}

void element_hide(ELEMENT_HEADER* root, UINT32 n, FLAGS bits) {
    ELEMENT_HEADER* element = chain_element(root, n);
    if (element != nullptr) {
        element->image_flags |= bits;
    }
}

void element_show(ELEMENT_HEADER* root, UINT32 n, FLAGS bits) {
    ELEMENT_HEADER* element = chain_element(root, n);
    if (element != nullptr) {
        element->image_flags &= ~bits;
    }
}

void face_pre_update(GAUGEHDR* header) {
    if (header == nullptr || header->elements_list == nullptr) {
        return;
    }
    ELEMENT_HEADER* root = header->elements_list[0];
    bool on = radio_state.power == 1;
    // cd_playing is what the display poll of an earlier update saw.
    bool track_shown = on && radio_state.mode == MODE_CD && radio_state.cd_playing == 1;
    element_visible(root, FACE_PAUSE_LAMP, on);
    element_visible(root, FACE_VOLUME_KEYS_LIT, on);
    element_visible(root, FACE_POWER_LED, on);
    element_visible(root, FACE_STATION_DIAL, on);
    element_visible(root, FACE_PRESET_LAMPS, on);
    element_visible(root, FACE_MODE_LAMPS, on);
    element_visible(root, FACE_VOLUME_POINTER_DIM, !on);
    element_visible(root, FACE_TRACK_DISPLAY, track_shown);
    element_visible(root, FACE_VOLUME_POINTER_BRIGHT, on);
}
