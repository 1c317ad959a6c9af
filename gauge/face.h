// The panel face: eleven elements on one chain, the callbacks that pick their
// images and pointer positions, and what pre-update shows or hides.
#pragma once

#include "common/panel_records.h"

// The gauge header's element list: the root element, then the list's end.
extern ELEMENT_HEADER* face_elements[2];
extern ELEMENT_STATIC_IMAGE face_background;

// Element indexes: the number of next-element steps from the background.
enum FaceIndex : UINT32 {
    FACE_BACKGROUND = 0,
    FACE_PAUSE_LAMP = 1,
    FACE_VOLUME_KEYS_LIT = 2,
    FACE_POWER_LED = 3,
    FACE_STATION_DIAL = 4,
    FACE_PRESET_LAMPS = 5,
    FACE_MODE_LAMPS = 6,
    FACE_VOLUME_POINTER_DIM = 7,
    FACE_TRACK_DISPLAY = 8,
    FACE_VOLUME_POINTER_BRIGHT = 9,
    FACE_KNOB_MARK = 10,
    FACE_ELEMENT_COUNT = 11,
};

// Directions of the volume pointer for the volume levels.
constexpr UINT32 VOLUME_POINTER_POINTS = 4;
extern NONLINEARITY volume_pointer_table[VOLUME_POINTER_POINTS];

FLOAT64 FSAPI pause_lamp_value(ELEMENT_ICON* element);
FLOAT64 FSAPI power_led_value(ELEMENT_ICON* element);
FLOAT64 FSAPI station_dial_value(ELEMENT_ICON* element);
FLOAT64 FSAPI preset_lamps_value(ELEMENT_ICON* element);
FLOAT64 FSAPI mode_lamps_value(ELEMENT_ICON* element);
FLOAT64 FSAPI volume_pointer_value(ELEMENT_NEEDLE* element);

// Set or clear bits in the image flags of the element n steps down the chain
// from root; a chain that ends sooner is left alone.
void element_hide(ELEMENT_HEADER* root, UINT32 n, FLAGS bits);
void element_show(ELEMENT_HEADER* root, UINT32 n, FLAGS bits);

// Shows or hides elements 1-9 from power, mode and cd_playing.
void face_pre_update(GAUGEHDR* header);
