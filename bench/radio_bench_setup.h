// A folder for a benchmark run: a copy of the module, twelve presets on
// sound files of all four formats (each slot a file of its own), and the
// settings file that assigns them.
#pragma once

#include <string>

class PresetFolder {
  public:
    // Copies module (when given) into a fresh folder beside twelve sound
    // files and a settings file naming them, relative to the folder.
    explicit PresetFolder(const std::string& module = "");
    ~PresetFolder();
    PresetFolder(const PresetFolder&) = delete;
    PresetFolder& operator=(const PresetFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string gauge() const { return path_ + "/skytune.gau"; }

  private:
    std::string path_;
};
