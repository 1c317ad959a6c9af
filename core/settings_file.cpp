// The settings file beside the module: twelve presets (a name line and a
// path line each), the browse folder and the two volumes as percentages.
#include "core/settings_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/presets.h"
#include "core/radio_state.h"
#include "core/text_buffer.h"
#include "platform/win32.h"

char settings_path[256];
char settings_path_lower[256];
char temp_settings_path[256];

namespace {

enum LineRead { LINE_END = -1, LINE_EMPTY = 0, LINE_READ = 1 };

// Reads one line into a 256-byte field. A longer line is cut to 255
// characters and its rest discarded; an empty line leaves the field as it
// was, and so does the end of the file. CRs before the line end (a file
// written on Windows, or converted twice) are not part of the line: the save
// would not write them back. The field holds what precedes a NUL byte.
LineRead read_line(FILE* file, char (&field)[256]) {
    char line[256];
    size_t length = 0;
    int c = fgetc(file);
    if (c == EOF) {
        return LINE_END;
    }
    while (c != EOF && c != '\n') {
        if (length < sizeof line - 1) {
            line[length++] = static_cast<char>(c);
        }
        c = fgetc(file);
    }
    // A NUL byte ends the text the field can hold: what follows it is lost
    // anyway, and the CRs are stripped from what stays.
    length = strnlen(line, length);
    while (length > 0 && line[length - 1] == '\r') {
        --length;
    }
    line[length] = '\0';
    if (length == 0) {
        return LINE_EMPTY;
    }
    memcpy(field, line, length + 1);
    return LINE_READ;
}

// A volume line holds a percentage; a missing or out-of-range one gives the
// default. Text without leading digits counts as 0.
VolumeLevel read_volume(FILE* file, long default_percent) {
    char text[256];
    long percent = default_percent;
    if (read_line(file, text) == LINE_READ) {
        percent = strtol(text, nullptr, 10);
        if (percent < 0 || percent > 100) {
            percent = default_percent;
        }
    }
    return static_cast<VolumeLevel>(percent * 100 + VOLUME_SILENT);
}

bool write_line(FILE* file, const char* text) {
    return fprintf(file, "%s\n", text) >= 0;
}

// Names the settings file after the module: ".gau" becomes ".dat", any
// other name gets ".dat" added. 0 when the module's path leaves no room.
int make_settings_path(HMODULE module) {
    settings_path[0] = '\0';
    settings_path_lower[0] = '\0';
    char path[256];
    DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        return 0;
    }
    if (length >= 4 && _stricmp(path + length - 4, ".gau") == 0) {
        memcpy(path + length - 4, ".dat", 5);
    } else if (length + 4 < sizeof path) {
        memcpy(path + length, ".dat", 5);
    } else {
        return 0;
    }
    text_copy(settings_path, path);
    text_copy(settings_path_lower, path);
    // Only the file's own name is lower-cased: the folders above it are
    // named as they are.
    char* name = settings_path_lower;
    for (char* c = settings_path_lower; *c != '\0'; ++c) {
        if (*c == '\\' || *c == '/') {
            name = c + 1;
        }
    }
    _strlwr(name);
    return 1;
}

void mark_presets_unassigned() {
    for (PresetSlot& slot : preset_table.slots) {
        text_copy(slot.file_path, NO_FILE_ASSIGNED);
    }
}

void read_settings(FILE* file) {
    for (PresetSlot& slot : preset_table.slots) {
        read_line(file, slot.display_name);
        read_line(file, slot.file_path);
        text_copy(slot.saved_name, slot.display_name);
    }
    // A folder that can be created did not exist: keep the current one.
    char folder[256];
    if (read_line(file, folder) == LINE_READ) {
        if (CreateDirectoryA(folder, nullptr)) {
            RemoveDirectoryA(folder);
        } else {
            text_copy(browse_folder, folder);
        }
    }
    radio_state.media_volume = read_volume(file, 90);
    radio_state.cd_volume = read_volume(file, 20);
}

// A path as the file keeps it: relative to the current directory when that
// relative path names what the stored one does, otherwise as stored.
const char* relative_line(const char* current_directory, const char* path, DWORD attributes,
                          char (&relative)[MAX_PATH]) {
    relative[0] = '\0';
    if (current_directory[0] == '\0' ||
        !PathRelativePathToA(relative, current_directory, FILE_ATTRIBUTE_DIRECTORY, path,
                             attributes) ||
        strlen(relative) >= 256) {
        return path;
    }
    bool names_it = attributes == FILE_ATTRIBUTE_DIRECTORY ? PathIsDirectoryA(relative) != 0
                                                           : PathFileExistsA(relative) != 0;
    return names_it ? relative : path;
}

bool write_settings(FILE* file) {
    char current_directory[256];
    DWORD length = GetCurrentDirectoryA(sizeof current_directory, current_directory);
    if (length == 0 || length >= sizeof current_directory) {
        current_directory[0] = '\0';
    }
    char relative[MAX_PATH];
    bool ok = true;
    for (const PresetSlot& slot : preset_table.slots) {
        // A preset whose file is missing keeps the name it was saved with.
        const char* name =
            strcmp(slot.display_name, FILE_NOT_FOUND) == 0 ? slot.saved_name : slot.display_name;
        ok = write_line(file, name) && ok;
        ok = write_line(file, relative_line(current_directory, slot.file_path,
                                            FILE_ATTRIBUTE_NORMAL, relative)) &&
             ok;
    }
    ok = write_line(file, relative_line(current_directory, browse_folder, FILE_ATTRIBUTE_DIRECTORY,
                                        relative)) &&
         ok;
    char volume_text[256];
    wsprintfA(volume_text, "%3d", volume_percent(radio_state.media_volume));
    ok = write_line(file, volume_text) && ok;
    wsprintfA(volume_text, "%3d", volume_percent(radio_state.cd_volume));
    ok = write_line(file, volume_text) && ok;
    return ok;
}

}  // namespace

void settings_load(HMODULE module) {
    if (!make_settings_path(module)) {
        mark_presets_unassigned();
        return;
    }
    FILE* file = fopen(settings_path_lower, "r");
    if (file != nullptr) {
        read_settings(file);
        fclose(file);
        return;
    }
    // First install: a file holding one blank line marks the place.
    mark_presets_unassigned();
    file = fopen(settings_path_lower, "a+");
    if (file != nullptr) {
        write_line(file, " ");
        fclose(file);
    }
}

void settings_save() {
    if (settings_path[0] == '\0') {
        return;
    }
    // The new settings go to a fresh sibling file, which replaces the old
    // file only once every line of it is safely on disk: a crash, a kill or
    // a full disk leaves the old file or the new one, never a part of one.
    text_copy(temp_settings_path, settings_path);
    size_t length = strlen(temp_settings_path);
    memcpy(temp_settings_path + length - 4, ".txt", 4);
    FILE* file = fopen(temp_settings_path, "w");
    if (file == nullptr) {
        return;
    }
    // A preset whose test has answered is saved as it answered; one still
    // on its way, as it was read.
    presets_take_answers();
    bool ok = write_settings(file);
    ok = fflush(file) == 0 && ok;
    ok = _commit(_fileno(file)) == 0 && ok;
    ok = fclose(file) == 0 && ok;
    if (!ok || !MoveFileExA(temp_settings_path, settings_path_lower,
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        remove(temp_settings_path);
    }
}
