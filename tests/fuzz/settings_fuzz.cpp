// Fuzzes the settings reader: any bytes as the settings file beside a real
// module. Whatever the file holds, every field stays a terminated text, both
// volumes stay in range, and what the save writes reads back as the same.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/presets.h"
#include "core/radio_state.h"
#include "core/settings_file.h"
#include "platform/native/standin.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stub_module.h"

namespace {

ScratchDir* folder;
StubModule* module;

bool terminated(const char (&text)[256]) {
    return memchr(text, '\0', sizeof text) != nullptr;
}

void check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "settings fuzz: %s\n", what);
        abort();
    }
}

// A known table before each input, so that no run depends on the last one.
void reset_table() {
    for (PresetSlot& slot : preset_table.slots) {
        strcpy(slot.display_name, "before");
        strcpy(slot.file_path, "before");
        strcpy(slot.saved_name, "before");
        slot.media_handle = nullptr;
    }
    strcpy(browse_folder, BROWSE_FOLDER_AT_LOAD);
    radio_state = RADIO_STATE_AT_LOAD;
}

void check_table() {
    for (const PresetSlot& slot : preset_table.slots) {
        check(terminated(slot.display_name) && terminated(slot.file_path) &&
                  terminated(slot.saved_name),
              "a preset field is not terminated");
    }
    check(memchr(browse_folder, '\0', sizeof browse_folder) != nullptr,
          "the browse folder is not terminated");
    check(radio_state.media_volume >= -10000 && radio_state.media_volume <= 0,
          "media volume out of range");
    check(radio_state.cd_volume >= -10000 && radio_state.cd_volume <= 0, "CD volume out of range");
}

// The save writes a path that names something relative to the current
// directory; only other paths come back as they went. Paths are taken as
// the path functions take them, lexically: "a/../" names the current folder.
bool names_something(const char* path) {
    std::error_code ignored;
    std::filesystem::path native(plat::native_path(path));
    return std::filesystem::exists(native, ignored) ||
           std::filesystem::exists(native.lexically_normal(), ignored);
}

struct Snapshot {
    PresetTable table;
    char folder[260];
    VolumeLevel media_volume;
    VolumeLevel cd_volume;
};

Snapshot snapshot() {
    Snapshot taken;
    memcpy(&taken.table, &preset_table, sizeof preset_table);
    memcpy(taken.folder, browse_folder, sizeof taken.folder);
    taken.media_volume = radio_state.media_volume;
    taken.cd_volume = radio_state.cd_volume;
    return taken;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Each save syncs the file to disk; in memory that costs nothing, and
    // the fuzzer runs a hundred times faster.
    if (access("/dev/shm", W_OK) == 0) {
        setenv("TMPDIR", "/dev/shm", 1);
    }
    folder = new ScratchDir();
    folder->enter();
    module = new StubModule(*folder / "skytune.gau");
    check(module->handle() != nullptr, "the stub module did not load");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string file = *folder / "skytune.dat";
    FILE* out = fopen(file.c_str(), "wb");
    check(out != nullptr, "cannot write the settings file");
    fwrite(bytes, 1, size, out);
    fclose(out);

    reset_table();
    settings_load(module->handle());
    check_table();
    Snapshot loaded = snapshot();

    settings_save();
    std::string saved = read_file(file);
    size_t lines = 0;
    for (char c : saved) {
        lines += c == '\n' ? 1 : 0;
    }
    check(lines == 27 && !saved.empty() && saved.back() == '\n', "the save is not 27 lines");

    // What was saved reads back as what was loaded, text for text.
    settings_load(module->handle());
    check_table();
    for (int i = 0; i < PRESET_SLOTS; ++i) {
        const PresetSlot& was = loaded.table.slots[i];
        const PresetSlot& now = preset_table.slots[i];
        check(strcmp(was.display_name, now.display_name) == 0, "a name changed through a save");
        check(names_something(was.file_path) || strcmp(was.file_path, now.file_path) == 0,
              "a path changed through a save");
    }
    check(names_something(loaded.folder) || strcmp(loaded.folder, browse_folder) == 0,
          "the folder changed through a save");
    check(loaded.media_volume == radio_state.media_volume &&
              loaded.cd_volume == radio_state.cd_volume,
          "a volume changed through a save");
    return 0;
}
