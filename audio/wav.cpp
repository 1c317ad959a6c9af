// The WAV walker works on the bytes alone; the image's true size bounds
// every read, so a chunk that claims more than is there fails the parse.
#include "audio/wav.h"

#include <cstring>

#include "audio/file_view.h"

namespace {

DWORD wav_le32(const BYTE* at) {
    return static_cast<DWORD>(at[0]) | static_cast<DWORD>(at[1]) << 8 |
           static_cast<DWORD>(at[2]) << 16 | static_cast<DWORD>(at[3]) << 24;
}

}  // namespace

int wav_parse(LPVOID image, DWORD image_size, WAVEFORMATEX** format, BYTE** data,
              DWORD* data_length) {
    if (format != nullptr) {
        *format = nullptr;
    }
    if (data != nullptr) {
        *data = nullptr;
    }
    if (data_length != nullptr) {
        *data_length = 0;
    }
    BYTE* bytes = static_cast<BYTE*>(image);
    if (bytes == nullptr || image_size < 12 || memcmp(bytes, "RIFF", 4) != 0 ||
        memcmp(bytes + 8, "WAVE", 4) != 0) {
        return 0;
    }
    // The first chunk of each kind is the one, whatever is asked for: an
    // empty data chunk is found as surely as a full one.
    int want_format = format != nullptr ? 1 : 0;
    int want_data = data != nullptr || data_length != nullptr ? 1 : 0;
    // The walk ends where the RIFF size says, or at the image's end if
    // that comes first. 64-bit positions: no declared length can wrap them.
    unsigned long long end = 8ULL + wav_le32(bytes + 4);
    if (end > image_size) {
        end = image_size;
    }
    unsigned long long position = 12;
    while (position < end) {
        if (image_size - position < 8) {
            return 0;
        }
        const BYTE* chunk = bytes + position;
        DWORD length = wav_le32(chunk + 4);
        if (length > image_size - position - 8) {
            return 0;
        }
        BYTE* body = bytes + position + 8;
        if (memcmp(chunk, "fmt ", 4) == 0 && want_format == 1) {
            if (length < 14) {
                return 0;
            }
            *format = reinterpret_cast<WAVEFORMATEX*>(body);
            want_format = 0;
        } else if (memcmp(chunk, "data", 4) == 0 && want_data == 1) {
            if (data != nullptr) {
                *data = body;
            }
            if (data_length != nullptr) {
                *data_length = length;
            }
            want_data = 0;
        }
        if (want_format == 0 && want_data == 0) {
            return 1;
        }
        position += 8ULL + length + (length & 1);
    }
    return 0;
}

void wav_whole_format(const WAVEFORMATEX* found, WAVEFORMATEX* whole) {
    memset(whole, 0, sizeof *whole);
    // The chunk's header stands just before the body that wav_parse gave,
    // inside the image: its length says how much of the record is there.
    const BYTE* body = reinterpret_cast<const BYTE*>(found);
    DWORD length = wav_le32(body - 4);
    memcpy(whole, body, length < sizeof *whole ? length : sizeof *whole);
}

int wav_from_resource(HMODULE module, LPCSTR name, WAVEFORMATEX** format, BYTE** data,
                      DWORD* data_length) {
    HRSRC resource = FindResourceA(module, name, RT_RCDATA);
    if (resource == nullptr) {
        return 0;
    }
    DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr) {
        return 0;
    }
    LPVOID bytes = LockResource(loaded);
    if (bytes == nullptr) {
        return 0;
    }
    // The resource belongs to the module: never unlocked or freed here.
    return wav_parse(bytes, size, format, data, data_length) == 1 ? 1 : 0;
}

int wav_from_file(LPCSTR path, WAVEFORMATEX** format, BYTE** data, DWORD* data_length,
                  LPVOID* view) {
    *view = nullptr;
    DWORD size = 0;
    LPVOID mapped = file_view_open(path, 0, &size);
    if (mapped == nullptr) {
        return 0;
    }
    if (wav_parse(mapped, size, format, data, data_length) == 0) {
        UnmapViewOfFile(mapped);
        return 0;
    }
    *view = mapped;
    return 1;
}
