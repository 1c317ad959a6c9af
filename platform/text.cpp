// Text helpers of the Windows runtime. wsprintfA takes the C library's
// formats (a superset of its own) and stops at 1024 bytes; case folding
// is ASCII only.
#include "platform/native/text.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>

#include "platform/native/standin.h"

int wsprintfA(LPSTR out, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    // Windows writes at most 1024 bytes, the terminator included.
    int written = vsnprintf(out, 1024, format, args);
    va_end(args);
    if (written > 1023) {
        written = 1023;
    }
    plat::Trace("wsprintfA").str(format).ret(written).str(out);
    return written;
}

char* _strlwr(char* text) {
    plat::Trace trace("_strlwr");
    trace.str(text);
    for (char* c = text; *c != '\0'; ++c) {
        if (*c >= 'A' && *c <= 'Z') {
            *c = static_cast<char>(*c - 'A' + 'a');
        }
    }
    trace.ret_str(text);
    return text;
}

static int fold(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}

int _stricmp(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    while (*x != 0 && fold(*x) == fold(*y)) {
        ++x;
        ++y;
    }
    int result = fold(*x) - fold(*y);
    plat::Trace("_stricmp").str(a).str(b).ret(result);
    return result;
}

int _fileno(FILE* stream) {
    return fileno(stream);
}

int _commit(int fd) {
    int result = fsync(fd);
    plat::Trace("_commit").num(fd).ret(result);
    return result;
}
