// The click sound over DirectSound. A device that cannot be made leaves the
// radio silent, never stopped: every operation then does nothing, and so
// does every operation on a buffer that could not be loaded.
#include "audio/sound.h"

#include <cstring>

#include "audio/wav.h"

SoundState sound_state;

namespace {

// A static buffer that can change its frequency, pan and volume.
constexpr DWORD SOUND_BUFFER_FLAGS = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN |
                                     DSBCAPS_CTRLVOLUME | DSBCAPS_GETCURRENTPOSITION2;

// Makes the buffer the description asks for and fills it; null on failure.
// The format goes to the device as a whole record, never as the short "fmt "
// body at the very end of an image.
IDirectSoundBuffer* sound_make_buffer(DSBUFFERDESC* description, const BYTE* data) {
    WAVEFORMATEX format;
    wav_whole_format(description->lpwfxFormat, &format);
    description->lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(sound_state.device->CreateSoundBuffer(description, &buffer, nullptr))) {
        return nullptr;
    }
    if (sound_fill_buffer(buffer, data, description->dwBufferBytes) == 0) {
        buffer->Release();
        return nullptr;
    }
    return buffer;
}

}  // namespace

int sound_init(HINSTANCE instance) {
    sound_state.module_instance = instance;
    if (FAILED(CoInitialize(nullptr))) {
        return 1;
    }
    sound_state.com_initialized = 1;
    if (FAILED(CoCreateInstance(CLSID_DirectSound8, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IDirectSound8,
                                reinterpret_cast<void**>(&sound_state.device)))) {
        sound_state.device = nullptr;
        return 1;
    }
    // An unusable device shows later: its buffers cannot be made.
    sound_state.device->Initialize(nullptr);
    sound_state.device->SetCooperativeLevel(GetActiveWindow(), DSSCL_NORMAL);
    return 1;
}

IDirectSoundBuffer* sound_load_wav(const char* name) {
    if (sound_state.device == nullptr) {
        return nullptr;
    }
    DSBUFFERDESC description;
    memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    description.dwFlags = SOUND_BUFFER_FLAGS;
    BYTE* data = nullptr;
    // A resource that is found and parsed decides: no file is tried after it.
    if (wav_from_resource(sound_state.module_instance, name, &description.lpwfxFormat, &data,
                          &description.dwBufferBytes) == 1) {
        return sound_make_buffer(&description, data);
    }
    LPVOID view = nullptr;
    if (wav_from_file(name, &description.lpwfxFormat, &data, &description.dwBufferBytes, &view) ==
        0) {
        return nullptr;
    }
    IDirectSoundBuffer* buffer = sound_make_buffer(&description, data);
    UnmapViewOfFile(view);
    return buffer;
}

int sound_fill_buffer(IDirectSoundBuffer* buffer, const BYTE* bytes, DWORD length) {
    if (buffer == nullptr || bytes == nullptr || length == 0) {
        return 0;
    }
    LPVOID first = nullptr;
    DWORD first_size = 0;
    LPVOID second = nullptr;
    DWORD second_size = 0;
    if (FAILED(buffer->Lock(0, length, &first, &first_size, &second, &second_size, 0))) {
        return 0;
    }
    // The regions never take more than the source holds.
    DWORD first_copy = first_size < length ? first_size : length;
    memcpy(first, bytes, first_copy);
    if (second_size != 0) {
        DWORD rest = length - first_copy;
        memcpy(second, bytes + first_copy, second_size < rest ? second_size : rest);
    }
    buffer->Unlock(first, first_size, second, second_size);
    return 1;
}

int sound_play(IDirectSoundBuffer* buffer, DWORD flags) {
    if (buffer != nullptr) {
        buffer->Play(0, 0, flags);
    }
    return 1;
}

int sound_stop(IDirectSoundBuffer* buffer) {
    if (buffer != nullptr) {
        buffer->Stop();
    }
    return 1;
}

int sound_set_volume(IDirectSoundBuffer* buffer, VolumeLevel level) {
    level = volume_clamped(level);
    if (buffer != nullptr) {
        buffer->SetVolume(level);
    }
    return 1;
}

int sound_release_buffer(IDirectSoundBuffer* buffer) {
    if (buffer != nullptr) {
        buffer->Release();
    }
    return 1;
}

int sound_shutdown() {
    if (sound_state.device != nullptr) {
        sound_state.device->Release();
        sound_state.device = nullptr;
    }
    return 1;
}
