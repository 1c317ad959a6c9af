// The CD line's volume on the waveform mixer.
#pragma once

#include "core/shared_types.h"

int mixer_volume_open();
void mixer_volume_set(VolumeLevel level);
int mixer_volume_close();
