// The click sound: static sound buffers made from WAV images.
#pragma once

#include "common/audio_types.h"
#include "platform/win32.h"

struct SoundState {
    IDirectSound8* device;      // null before sound_init, after sound_shutdown, or without sound
    HINSTANCE module_instance;  // where resources are looked up
    int com_initialized;        // 1 while sound_init's CoInitialize awaits its CoUninitialize
};

extern SoundState sound_state;

int sound_init(HINSTANCE instance);
IDirectSoundBuffer* sound_load_wav(const char* name);
int sound_play(IDirectSoundBuffer* buffer, DWORD flags);
int sound_stop(IDirectSoundBuffer* buffer);
int sound_set_volume(IDirectSoundBuffer* buffer, VolumeLevel level);
int sound_release_buffer(IDirectSoundBuffer* buffer);
int sound_shutdown();
// Copies the samples into the buffer; 0 when it cannot be locked.
int sound_fill_buffer(IDirectSoundBuffer* buffer, const BYTE* bytes, DWORD length);
