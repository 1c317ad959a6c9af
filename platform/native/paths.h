// Files and paths of the native stand-in. Paths may use '\' or '/' as the
// separator; what the calls produce uses '/'.
#pragma once

#include "platform/native/types.h"

#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_WRITE_THROUGH 0x00000008

DWORD GetModuleFileNameA(HMODULE module, LPSTR filename, DWORD size);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES attributes);
BOOL RemoveDirectoryA(LPCSTR path);
BOOL PathRelativePathToA(LPSTR path, LPCSTR from, DWORD attr_from, LPCSTR to, DWORD attr_to);
BOOL PathFileExistsA(LPCSTR path);
BOOL PathIsDirectoryA(LPCSTR path);
BOOL MoveFileExA(LPCSTR existing, LPCSTR target, DWORD flags);
