// The text and C-runtime helpers that Windows code takes for granted.
#pragma once

#include <cstdio>

#include "platform/native/types.h"

// Formats at most 1024 bytes, as the Windows call does.
int wsprintfA(LPSTR out, LPCSTR format, ...);
char* _strlwr(char* text);
int _stricmp(const char* a, const char* b);
// The runtime's descriptor calls, used to push a file to the disk.
int _fileno(FILE* stream);
int _commit(int fd);
