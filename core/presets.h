// The twelve presets: the file each plays and the name it shows.
#pragma once

#include "common/audio_types.h"

// The name and path of a preset without a file.
constexpr const char NO_FILE_ASSIGNED[] = "No file assigned.";
// The name of a preset whose file did not open.
constexpr const char FILE_NOT_FOUND[] = "File not found.";

constexpr int PRESET_SLOTS = 12;
// FM buttons 1-6 use slots 0-5, AM buttons 1-6 slots 6-11.
constexpr int AM_SLOT_OFFSET = 6;

struct PresetSlot {
    char display_name[256];
    char file_path[256];
    char saved_name[256];
    MediaHandle media_handle;
};

struct PresetTable {
    PresetSlot slots[PRESET_SLOTS];
};

extern PresetTable preset_table;

// Opens every slot's file; a slot whose file does not open is named for why.
void presets_open_all();
