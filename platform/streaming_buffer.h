// A streaming DirectSound buffer over an OpenAL streaming source: the
// buffer's bytes are a ring that the device takes ten milliseconds at a
// time (al_device.h) and queues on the source, so the play cursor moves on
// in real time and loops round the ring as DirectSound's does, playing
// whatever the ring holds. The write cursor is where the device takes
// next: what lies between the two cursors has been queued and no longer
// changes. With the wav:DIR sink, what the buffer plays is also captured on
// its own, as DIR/buffer-N.wav at its own rate, from its first play to its
// release.
#pragma once

#include <memory>

#include "platform/al_device.h"
#include "platform/native/dsound.h"

namespace plat {

// Gain for a volume in hundredths of a decibel.
ALfloat gain_from_volume(LONG volume);

// A streaming buffer of that format (checked by the caller); null when
// OpenAL cannot make one.
IDirectSoundBuffer* make_streaming_buffer(std::shared_ptr<AlDevice> device, DWORD flags,
                                          DWORD bytes, ALenum al_format,
                                          const WAVEFORMATEX& format);

}  // namespace plat
