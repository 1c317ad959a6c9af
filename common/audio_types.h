// What the radio hands its audio back-ends: volume levels and media handles.
// Every layer may include it.
#pragma once

#include <cstdint>

// A volume in hundredths of a decibel: -10000 is silent, 0 is full.
typedef int32_t VolumeLevel;

constexpr VolumeLevel VOLUME_SILENT = -10000;
constexpr VolumeLevel VOLUME_FULL = 0;

// The level within silent..full: what a sound device accepts.
inline VolumeLevel volume_clamped(VolumeLevel level) {
    return level > VOLUME_FULL ? VOLUME_FULL : level < VOLUME_SILENT ? VOLUME_SILENT : level;
}

// The level as a whole percentage, 0 to 100, as the settings file keeps it
// and the CD line's control is scaled by; a level a volume button carried
// past either end counts as that end.
inline int volume_percent(VolumeLevel level) {
    int percent = (level - VOLUME_SILENT) / 100;
    return percent > 100 ? 100 : percent < 0 ? 0 : percent;
}

// The address of a path text that the media player can play, or 0 for none.
typedef const char* MediaHandle;
