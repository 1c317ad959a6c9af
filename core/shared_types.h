// Types that the radio's parts share.
#pragma once

#include <cstdint>

// The source the radio plays.
enum RadioMode : int32_t {
    MODE_CD = 0,
    MODE_FM = 1,
    MODE_AM = 2,
};

// A volume in hundredths of a decibel: -10000 is silent, 0 is full.
typedef int32_t VolumeLevel;

// The address of a path text that the media player can play, or 0 for none.
typedef const char* MediaHandle;

// The back-ends' sound buffer: what the click plays from.
struct IDirectSoundBuffer;
