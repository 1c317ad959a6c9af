// The preset table and the opening of every preset's file at start.
#include "core/presets.h"

#include <cstring>

#include "audio/media.h"
#include "core/text_buffer.h"

PresetTable preset_table;

void presets_open_all() {
    for (PresetSlot& slot : preset_table.slots) {
        slot.media_handle = media_open(slot.file_path);
        if (slot.media_handle == 0) {
            text_copy(slot.display_name, strcmp(slot.file_path, NO_FILE_ASSIGNED) == 0
                                             ? NO_FILE_ASSIGNED
                                             : FILE_NOT_FOUND);
        }
    }
}
