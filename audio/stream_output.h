// A station's sound: a looping DirectSound streaming buffer on the module's
// sound device, written ahead of its play cursor as PCM comes, with silence
// kept ahead of what was written so that a late write is heard as a gap,
// never as the buffer's older sound going round again.
#pragma once

#include "common/audio_types.h"
#include "platform/win32.h"

// The buffer holds this much sound; writing stops this far ahead of the
// play cursor; playing starts once this much is written.
constexpr DWORD STREAM_OUTPUT_BUFFER_MS = 1000;
constexpr DWORD STREAM_OUTPUT_AHEAD_MS = 600;
constexpr DWORD STREAM_OUTPUT_START_MS = 250;
// Silence kept written beyond the sound.
constexpr DWORD STREAM_OUTPUT_GUARD_MS = 250;

struct StreamOutput {
    IDirectSoundBuffer* buffer;  // null when closed
    DWORD size;
    DWORD block;  // bytes a sample frame
    DWORD bytes_per_second;
    DWORD last_play;  // the play cursor when last asked
    // Counted from the buffer's start: what has been played, and written.
    uint64_t played;
    uint64_t written;
    int32_t playing;
    DWORD underruns;
};

// A stopped buffer for 16-bit PCM of that rate and channels, at the volume;
// 1 when the device made it.
int stream_output_open(StreamOutput* output, IDirectSound8* device, DWORD rate, WORD channels,
                       VolumeLevel volume);
// Follows the play cursor; a buffer that played past what was written
// starts again from where it is. 0 when the buffer cannot be asked.
int stream_output_update(StreamOutput* output);
// How many bytes may be written now.
DWORD stream_output_room(const StreamOutput* output);
// Milliseconds of sound written and not yet played.
DWORD stream_output_ahead_ms(const StreamOutput* output);
// Writes whole sample frames of pcm after what was written (at most the
// room), and plays once enough is there; the bytes taken, or -1 when the
// buffer fails.
long stream_output_write(StreamOutput* output, const BYTE* pcm, DWORD bytes);
int stream_output_set_volume(StreamOutput* output, VolumeLevel volume);
// Stops and lets the buffer go.
void stream_output_close(StreamOutput* output);
