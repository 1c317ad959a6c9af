// Checks of the module file itself under the real loader and resource calls:
// its export directory, its resources and its version record.
#pragma once

#include <windows.h>

#include <string>

void check_exports(HMODULE module);
// Returns the click's WAV image ("" when missing).
std::string check_resources(HMODULE module);
void check_version(const std::string& module_path);
