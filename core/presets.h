// The twelve presets: the file each plays and the name it shows. A preset's
// file is tested on the player thread; the answers are taken before the
// presets are read (at each update, and before a handler, a tooltip or the
// save reads them).
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

// A slot's test on its way. A right click's choice shows at once; should
// its file fail, the slot takes back the path and name it had before.
struct PresetTest {
    int32_t waiting;
    int32_t chosen;
    char file_path[256];
    char display_name[256];
};

struct PresetTable {
    PresetSlot slots[PRESET_SLOTS];
    PresetTest tests[PRESET_SLOTS];
};

extern PresetTable preset_table;

// Opens every slot's file; a slot whose file does not open is named for why
// once its test has answered.
void presets_open_all();
// Gives slot s the chosen file and its title, whose test is `chosen`.
void presets_choose(int s, const char* path, const char* title, MediaHandle chosen);
// A chosen file that cannot even be tried: slot s keeps its file and name,
// without a handle.
void presets_refuse(int s);
// Takes the tests' answers that have come: a slot whose file failed loses
// its handle, and is named for why or takes back what a failed choice
// replaced.
void presets_take_answers();
