// The open-file dialog through which a right click assigns a preset's file.
#include "core/file_choice.h"

#include <cstring>

#include "core/radio_state.h"
#include "platform/win32.h"

char dialog_path[256];
char dialog_title[256];

namespace {

const char AUDIO_FILTER[] =
    "Audio (*.mid;*.mp3;*.wav;*.wma)\0*.mid;*.mp3;*.wav;*.wma\0"
    "All Files (*.*)\0*.*\0"
    "Playlists (*.m3u;*.m3u8;*.pls)\0*.m3u;*.m3u8;*.pls\0";

const DWORD DIALOG_FLAGS = OFN_READONLY | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                           OFN_FILEMUSTEXIST | OFN_NONETWORKBUTTON;

}  // namespace

int choose_audio_file() {
    dialog_path[0] = '\0';
    dialog_title[0] = '\0';

    OPENFILENAMEA dialog;
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = AUDIO_FILTER;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = dialog_path;
    dialog.nMaxFile = sizeof dialog_path;
    dialog.lpstrFileTitle = dialog_title;
    dialog.nMaxFileTitle = sizeof dialog_title;
    dialog.lpstrInitialDir = browse_folder;
    dialog.lpstrTitle = "Select Audio File";
    // The dialog must not move the current directory: saved paths are
    // relative to it.
    dialog.Flags = DIALOG_FLAGS;

    if (GetOpenFileNameA(&dialog) == 0) {
        return 0;
    }

    // The next dialog starts in the chosen file's folder.
    const char* last_separator = nullptr;
    for (const char* c = dialog_path; *c != '\0'; ++c) {
        if (*c == '\\' || *c == '/') {
            last_separator = c;
        }
    }
    if (last_separator != nullptr) {
        size_t folder_length = static_cast<size_t>(last_separator - dialog_path) + 1;
        if (folder_length < sizeof browse_folder) {
            memcpy(browse_folder, dialog_path, folder_length);
            browse_folder[folder_length] = '\0';
        }
    }
    return 1;
}
