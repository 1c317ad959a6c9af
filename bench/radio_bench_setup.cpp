#include "bench/radio_bench_setup.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The demo sounds, one of each format, in turn over the twelve slots.
const char* const SOUNDS[] = {"chimes.wav", "pad.mp3", "waltz.mid", "breeze.wma"};

}  // namespace

PresetFolder::PresetFolder(const std::string& module) {
    std::string pattern = (fs::temp_directory_path() / "skytune-bench-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    fs::create_directories(path_ + "/Sound");
    if (!module.empty()) {
        fs::copy_file(module, gauge());
    }
    std::ofstream settings(path_ + "/skytune.dat");
    for (int slot = 0; slot < 12; ++slot) {
        std::string sound = SOUNDS[slot % 4];
        std::string name = "preset" + std::to_string(slot + 1) + sound.substr(sound.rfind('.'));
        fs::copy_file(std::string(SKYTUNE_SOURCE_DIR) + "/Sound/" + sound,
                      path_ + "/Sound/" + name);
        settings << name << "\n" << path_ << "/Sound/" << name << "\n";
    }
    settings << path_ << "/Sound/\n 80\n 20\n";
}

PresetFolder::~PresetFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}
