// The CD line's volume on the waveform mixer.
#pragma once

#include "common/audio_types.h"
#include "platform/win32.h"

// The CD line's volume control as the open found it.
struct VolumeControl {
    DWORD id;
    DWORD minimum;
    DWORD maximum;
};

// The open mixer, 0 when not open.
extern HMIXER mixer_handle;
extern VolumeControl volume_control;

int mixer_volume_open();
void mixer_volume_set(VolumeLevel level);
int mixer_volume_close();
