// The RIFF chunk walker that finds a WAV image's format and samples, and
// the two places a WAV image comes from: a module resource or a file.
#pragma once

#include "platform/win32.h"

// Walks the image's chunks, reading nothing past image_size bytes, and gives
// addresses inside the image: the "fmt " body (at least the WAVEFORMAT
// fields), the first sample byte of the "data" body and that body's length.
// Each output place may be null; 1 when every given one was found.
int wav_parse(LPVOID image, DWORD image_size, WAVEFORMATEX** format, BYTE** data,
              DWORD* data_length);
// The format that wav_parse found, as a whole WAVEFORMATEX: a "fmt " body may
// be as short as 14 bytes, but whoever takes the record reads all of it.
// Fields the body does not hold are 0.
void wav_whole_format(const WAVEFORMATEX* found, WAVEFORMATEX* whole);
// The RCDATA resource of that name in the module.
int wav_from_resource(HMODULE module, LPCSTR name, WAVEFORMATEX** format, BYTE** data,
                      DWORD* data_length);
// The file, mapped; on success *view is the mapping the outputs point into,
// which the caller unmaps after use.
int wav_from_file(LPCSTR path, WAVEFORMATEX** format, BYTE** data, DWORD* data_length,
                  LPVOID* view);
