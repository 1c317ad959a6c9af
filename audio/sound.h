// The click sound: static sound buffers made from WAV images.
#pragma once

#include "core/shared_types.h"
#include "platform/win32.h"

int sound_init(HINSTANCE instance);
IDirectSoundBuffer* sound_load_wav(const char* name);
int sound_play(IDirectSoundBuffer* buffer, DWORD flags);
int sound_set_volume(IDirectSoundBuffer* buffer, VolumeLevel level);
int sound_release_buffer(IDirectSoundBuffer* buffer);
int sound_shutdown();
