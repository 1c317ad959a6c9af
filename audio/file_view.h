// A read-only view of a file's bytes, as the WAV and playlist readers take
// them.
#pragma once

#include "platform/win32.h"

// Maps the file at path, at most its first limit bytes (0: all of them), and
// gives the number of bytes mapped; null when it does not open, is empty or
// holds 4 GiB or more. UnmapViewOfFile lets the view go.
LPVOID file_view_open(LPCSTR path, DWORD limit, DWORD* size);
