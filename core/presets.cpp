// The preset table, the opening of every preset's file at start, and the
// answers of the files' tests.
#include "core/presets.h"

#include <cstring>

#include "audio/media.h"
#include "core/text_buffer.h"

PresetTable preset_table;

namespace {

// A slot whose file failed, or could not even be tried.
void preset_failed(int s) {
    PresetSlot& slot = preset_table.slots[s];
    PresetTest& test = preset_table.tests[s];
    slot.media_handle = 0;
    if (test.chosen == 1) {
        text_copy(slot.file_path, test.file_path);
        text_copy(slot.display_name, test.display_name);
    } else {
        text_copy(slot.display_name, strcmp(slot.file_path, NO_FILE_ASSIGNED) == 0
                                         ? NO_FILE_ASSIGNED
                                         : FILE_NOT_FOUND);
    }
    test.waiting = 0;
    test.chosen = 0;
}

}  // namespace

void presets_open_all() {
    for (int s = 0; s < PRESET_SLOTS; ++s) {
        PresetSlot& slot = preset_table.slots[s];
        preset_table.tests[s].chosen = 0;
        slot.media_handle = media_open(slot.file_path);
        preset_table.tests[s].waiting = 1;
        // A first install names nothing: an unassigned preset says so at
        // once rather than nothing until its test has answered.
        if (slot.media_handle == 0 ||
            (slot.display_name[0] == '\0' && strcmp(slot.file_path, NO_FILE_ASSIGNED) == 0)) {
            preset_failed(s);
        }
    }
    presets_take_answers();
}

void presets_choose(int s, const char* path, const char* title, MediaHandle chosen) {
    PresetSlot& slot = preset_table.slots[s];
    PresetTest& test = preset_table.tests[s];
    if (test.chosen == 0) {
        text_copy(test.file_path, slot.file_path);
        text_copy(test.display_name, slot.display_name);
    }
    test.chosen = 1;
    text_copy(slot.file_path, path);
    text_copy(slot.display_name, title);
    // The handle names the slot's own text: the dialog's changes.
    slot.media_handle = media_reopen(slot.file_path, chosen);
    test.waiting = 1;
    if (slot.media_handle == 0) {
        preset_failed(s);
    }
}

void presets_refuse(int s) {
    preset_table.slots[s].media_handle = 0;
    preset_table.tests[s].waiting = 0;
    preset_table.tests[s].chosen = 0;
}

void presets_take_answers() {
    for (int s = 0; s < PRESET_SLOTS; ++s) {
        PresetTest& test = preset_table.tests[s];
        if (test.waiting == 0) {
            continue;
        }
        int32_t answer = media_opened(preset_table.slots[s].media_handle);
        if (answer == MEDIA_OPEN_OK) {
            test.waiting = 0;
            test.chosen = 0;
        } else if (answer == MEDIA_OPEN_FAILED) {
            preset_failed(s);
        }
    }
}
