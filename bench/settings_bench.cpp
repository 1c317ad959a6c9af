// The settings file with twelve presets assigned: the load at pre-install
// and the save at pre-kill (which syncs the file to the disk before it
// replaces the old one), in a folder on the temporary file system's disk.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/radio_bench_setup.h"
#include "core/presets.h"
#include "core/radio_state.h"
#include "core/settings_file.h"
#include "tests/support/stub_module.h"

namespace {

void BM_SettingsLoad(benchmark::State& state) {
    PresetFolder folder;
    StubModule module(folder.path() + "/skytune.gau");
    for (auto _ : state) {
        settings_load(module.handle());
    }
    state.SetLabel(preset_table.slots[11].display_name);
}

void BM_SettingsSave(benchmark::State& state) {
    PresetFolder folder;
    StubModule module(folder.path() + "/skytune.gau");
    settings_load(module.handle());
    // As after presets_open_all: every slot opened and named.
    for (PresetSlot& slot : preset_table.slots) {
        strcpy(slot.display_name, slot.saved_name);
    }
    for (auto _ : state) {
        settings_save();
    }
}

}  // namespace

BENCHMARK(BM_SettingsLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SettingsSave)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
