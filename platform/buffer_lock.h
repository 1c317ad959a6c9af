// What IDirectSoundBuffer::Lock hands back, for the stand-in's buffers: the
// locked bytes in up to two parts (the second where the lock wraps to the
// buffer's start), or null pointers when the lock failed.
#pragma once

#include "platform/native/dsound.h"

namespace plat {

inline void hand_out_lock(HRESULT result, unsigned char* first_part, DWORD first,
                          unsigned char* second_part, DWORD second, LPVOID* audio1, LPDWORD bytes1,
                          LPVOID* audio2, LPDWORD bytes2) {
    if (result == DS_OK) {
        *audio1 = first_part;
        *bytes1 = first;
        if (audio2 != nullptr) {
            *audio2 = second != 0 ? second_part : nullptr;
        }
        if (bytes2 != nullptr) {
            *bytes2 = second;
        }
        return;
    }
    if (audio1 != nullptr) {
        *audio1 = nullptr;
    }
    if (audio2 != nullptr) {
        *audio2 = nullptr;
    }
}

}  // namespace plat
