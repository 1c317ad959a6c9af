// Fuzzes the WAV walker over the two images a click comes from: a module
// resource (an exact-size copy, so that a read past it is caught) and a
// mapped file, both through sound_load_wav and the stand-in's DirectSound,
// which reads the format the walker found.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/sound.h"
#include "audio/wav.h"
#include "platform/native/resource_table.h"
#include "platform/native/standin.h"
#include "tests/support/scratch_dir.h"

// The resource table that FindResourceA finds in the running program: one
// RCDATA resource whose bytes are the input.
extern "C" __attribute__((visibility("default"))) NativeResource skytune_resource_table[] = {
    {10, 0, "FUZZ_RCD", nullptr, 0},
    {0, 0, nullptr, nullptr, 0},
};
extern "C" __attribute__((visibility("default"))) uint32_t skytune_resource_count = 1;

namespace {

ScratchDir* folder;

void check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "wav fuzz: %s\n", what);
        abort();
    }
}

bool inside(const void* at, size_t length, const BYTE* image, size_t size) {
    const BYTE* p = static_cast<const BYTE*>(at);
    return p >= image && p <= image + size && length <= static_cast<size_t>(image + size - p);
}

// The walker's answers lie inside the image, and asking for fewer outputs
// finds the same ones.
void check_parse(BYTE* image, DWORD size) {
    WAVEFORMATEX* format = nullptr;
    BYTE* data = nullptr;
    DWORD length = 0;
    int found = wav_parse(image, size, &format, &data, &length);
    if (found == 1) {
        check(format != nullptr && data != nullptr, "a parse succeeded without its outputs");
        check(inside(format, 14, image, size), "the format lies outside the image");
        check(inside(data, length, image, size), "the samples lie outside the image");
    } else {
        // A failed walk may have found one of them: still inside.
        check(format == nullptr || inside(format, 14, image, size),
              "the format lies outside the image");
        check(data == nullptr || inside(data, length, image, size),
              "the samples lie outside the image");
    }
    WAVEFORMATEX* format_only = nullptr;
    if (wav_parse(image, size, &format_only, nullptr, nullptr) == 1 && found == 1) {
        check(format_only == format, "the format alone is another chunk");
    }
    BYTE* data_only = nullptr;
    DWORD length_only = 0;
    if (wav_parse(image, size, nullptr, &data_only, &length_only) == 1 && found == 1) {
        check(data_only == data && length_only == length, "the samples alone are another chunk");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SKYTUNE_AUDIO", "null", 1);
    folder = new ScratchDir();
    folder->enter();
    sound_init(nullptr);
    check(sound_state.device != nullptr, "no sound device");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // An exact-size copy: the walker may not read one byte past it.
    BYTE* image = static_cast<BYTE*>(malloc(size == 0 ? 1 : size));
    memcpy(image, bytes, size);
    check_parse(image, static_cast<DWORD>(size));

    skytune_resource_table[0].data = image;
    skytune_resource_table[0].size = static_cast<uint32_t>(size);
    sound_release_buffer(sound_load_wav("FUZZ_RCD"));
    skytune_resource_table[0].data = nullptr;
    free(image);

    const std::string path = *folder / "image.wav";
    FILE* out = fopen(path.c_str(), "wb");
    check(out != nullptr, "cannot write the image file");
    fwrite(bytes, 1, size, out);
    fclose(out);
    sound_release_buffer(sound_load_wav(path.c_str()));
    return 0;
}
