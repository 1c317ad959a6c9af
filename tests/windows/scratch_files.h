// Files the driver prepares and reads back: a scratch folder, whole files and their CR LF lines,
// folder listings with on-disk names.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The simulator's folder in a new scratch folder: Gauges\ (where the module
// goes as SkyTune.GAU), Sound\ and Temp\, which becomes the temporary
// folder; the current directory is its top, as relative preset paths need.
struct Scratch {
    std::string root, gauges, sound, temp, module;
};
Scratch scratch_simulator();
void remove_tree(const std::string& folder);
// A path as Windows sees it: a Unix path becomes one on Wine's Z: drive.
std::string windows_path(const std::string& path);
bool write_file(const std::string& path, const std::string& bytes);
// The file's bytes; "" when it cannot be read.
std::string read_file(const std::string& path);
// The lines of a text file; all_crlf tells whether every line ended in CR LF.
std::vector<std::string> text_lines(const std::string& bytes, bool& all_crlf);
// The names that match a pattern (such as "C:\dir\*.dat"), as stored on disk.
std::vector<std::string> list_files(const std::string& pattern);
