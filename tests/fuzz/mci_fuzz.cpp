// Fuzzes the MCI command-string parser of the stand-in's cdaudio device: each
// line of the input is one command, sent with a reply buffer of exactly the
// size the line's first byte picks, so that a reply written past it is
// caught. Only discs that never start a playback run are used: the parser,
// not the player, is under test.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/native/standin.h"
#include "platform/win32.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "mci fuzz: %s\n", what);
        abort();
    }
}

const char* const discs[] = {"data", "none", "absent"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size == 0) {
        return 0;
    }
    plat::set_cd_source(discs[bytes[0] % 3]);
    // The device and the tray start as after a fresh load.
    mciSendStringA("close cdaudio", nullptr, 0, nullptr);
    mciSendStringA("set cdaudio door closed", nullptr, 0, nullptr);

    std::string input(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    size_t start = 0;
    while (start < input.size()) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) {
            end = input.size();
        }
        std::string line = input.substr(start, end - start);
        start = end + 1;
        // The first byte of a line sizes its reply buffer: 0 asks for none.
        UINT reply_size = line.empty() ? 0 : static_cast<unsigned char>(line[0]) % 40;
        if (!line.empty()) {
            line.erase(0, 1);
        }
        char* reply = reply_size == 0 ? nullptr : static_cast<char*>(malloc(reply_size));
        if (reply != nullptr) {
            memset(reply, 'x', reply_size);
        }
        MCIERROR error = mciSendStringA(line.c_str(), reply, reply_size, nullptr);
        if (reply != nullptr) {
            check(memchr(reply, '\0', reply_size) != nullptr, "the reply is not terminated");
            check(error == 0 || reply[0] == '\0', "a failed command left a reply");
            free(reply);
        }
    }
    return 0;
}
