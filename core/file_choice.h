// The open-file dialog through which a right click assigns a preset's file.
#pragma once

// What the dialog chose: the full path and the file title.
extern char dialog_path[256];
extern char dialog_title[256];

// Asks the user for an audio file, starting in browse_folder, which then
// becomes the chosen file's folder; 1 when one was chosen.
int choose_audio_file();
