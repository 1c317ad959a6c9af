// The settings file beside the module that keeps the presets, the dialog's
// folder and the two volumes.
#pragma once

#include "platform/win32.h"

// The settings file beside the module, and the name it is written as.
extern char settings_path[256];
extern char settings_path_lower[256];
extern char temp_settings_path[256];

void settings_load(HMODULE module);
void settings_save();
