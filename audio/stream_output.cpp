// The station's streaming buffer. DirectSound plays the buffer round and
// round; the writer follows the play cursor's progress (asked at least
// every few hundred milliseconds, far less than the buffer's length) to
// know how much it has played, and writes no nearer the play cursor than
// the write cursor, which the device may already have taken.
#include "audio/stream_output.h"

#include <cstring>

namespace {

constexpr DWORD STREAM_OUTPUT_FLAGS =
    DSBCAPS_CTRLVOLUME | DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;

DWORD stream_output_bytes(const StreamOutput* output, DWORD ms) {
    DWORD bytes = static_cast<DWORD>(static_cast<uint64_t>(output->bytes_per_second) * ms / 1000);
    return bytes - bytes % output->block;
}

// Copies bytes (or silence, with null) into the buffer from offset,
// across its end; 0 when the buffer cannot be locked.
int stream_output_fill(StreamOutput* output, DWORD offset, const BYTE* bytes, DWORD length) {
    LPVOID first = nullptr;
    DWORD first_size = 0;
    LPVOID second = nullptr;
    DWORD second_size = 0;
    if (length == 0) {
        return 1;
    }
    if (FAILED(
            output->buffer->Lock(offset, length, &first, &first_size, &second, &second_size, 0))) {
        return 0;
    }
    DWORD first_copy = first_size < length ? first_size : length;
    DWORD second_copy = second_size < length - first_copy ? second_size : length - first_copy;
    if (bytes != nullptr) {
        memcpy(first, bytes, first_copy);
        if (second != nullptr) {
            memcpy(second, bytes + first_copy, second_copy);
        }
    } else {
        memset(first, 0, first_copy);
        if (second != nullptr) {
            memset(second, 0, second_copy);
        }
    }
    output->buffer->Unlock(first, first_size, second, second_size);
    return 1;
}

}  // namespace

int stream_output_open(StreamOutput* output, IDirectSound8* device, DWORD rate, WORD channels,
                       VolumeLevel volume) {
    stream_output_close(output);
    memset(output, 0, sizeof *output);
    if (device == nullptr) {
        return 0;
    }
    WAVEFORMATEX format;
    memset(&format, 0, sizeof format);
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(channels * 2);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    output->block = format.nBlockAlign;
    output->bytes_per_second = format.nAvgBytesPerSec;
    output->size = stream_output_bytes(output, STREAM_OUTPUT_BUFFER_MS);
    DSBUFFERDESC description;
    memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    description.dwFlags = STREAM_OUTPUT_FLAGS;
    description.dwBufferBytes = output->size;
    description.lpwfxFormat = &format;
    if (FAILED(device->CreateSoundBuffer(&description, &output->buffer, nullptr))) {
        output->buffer = nullptr;
        return 0;
    }
    // A new buffer's bytes are the platform's to choose: silence first.
    if (stream_output_fill(output, 0, nullptr, output->size) == 0 ||
        stream_output_set_volume(output, volume) == 0) {
        stream_output_close(output);
        return 0;
    }
    return 1;
}

int stream_output_update(StreamOutput* output) {
    if (output->buffer == nullptr || output->playing == 0) {
        return output->buffer != nullptr ? 1 : 0;
    }
    DWORD play = 0;
    DWORD write = 0;
    if (FAILED(output->buffer->GetCurrentPosition(&play, &write)) || play >= output->size ||
        write >= output->size) {
        return 0;
    }
    output->played += (play + output->size - output->last_play) % output->size;
    output->last_play = play;
    // What the device holds already is played as far as the writer goes.
    uint64_t committed = output->played + (write + output->size - play) % output->size;
    if (output->written < committed) {
        ++output->underruns;
        output->written = committed;
        stream_output_fill(output, static_cast<DWORD>(output->written % output->size), nullptr,
                           stream_output_bytes(output, STREAM_OUTPUT_GUARD_MS));
    }
    return 1;
}

DWORD stream_output_room(const StreamOutput* output) {
    if (output->buffer == nullptr) {
        return 0;
    }
    uint64_t ahead = output->written - output->played;
    DWORD limit = stream_output_bytes(output, STREAM_OUTPUT_AHEAD_MS);
    return ahead >= limit ? 0 : static_cast<DWORD>(limit - ahead);
}

DWORD stream_output_ahead_ms(const StreamOutput* output) {
    if (output->buffer == nullptr || output->bytes_per_second == 0) {
        return 0;
    }
    return static_cast<DWORD>((output->written - output->played) * 1000 / output->bytes_per_second);
}

long stream_output_write(StreamOutput* output, const BYTE* pcm, DWORD bytes) {
    DWORD room = stream_output_room(output);
    DWORD taken = bytes < room ? bytes : room;
    taken -= taken % output->block;
    DWORD at = static_cast<DWORD>(output->written % output->size);
    if (taken > 0 &&
        (stream_output_fill(output, at, pcm, taken) == 0 ||
         stream_output_fill(output, (at + taken) % output->size, nullptr,
                            stream_output_bytes(output, STREAM_OUTPUT_GUARD_MS)) == 0)) {
        return -1;
    }
    output->written += taken;
    if (output->playing == 0 &&
        output->written >= stream_output_bytes(output, STREAM_OUTPUT_START_MS)) {
        if (FAILED(output->buffer->SetCurrentPosition(0)) ||
            FAILED(output->buffer->Play(0, 0, DSBPLAY_LOOPING))) {
            return -1;
        }
        output->playing = 1;
        output->last_play = 0;
    }
    return static_cast<long>(taken);
}

int stream_output_set_volume(StreamOutput* output, VolumeLevel volume) {
    return output->buffer != nullptr && SUCCEEDED(output->buffer->SetVolume(volume_clamped(volume)))
               ? 1
               : 0;
}

void stream_output_close(StreamOutput* output) {
    if (output->buffer != nullptr) {
        output->buffer->Stop();
        output->buffer->Release();
        output->buffer = nullptr;
    }
    output->playing = 0;
}
