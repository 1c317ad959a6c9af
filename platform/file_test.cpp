// RenderFile's test: the file is decoded to its end by the file tester, in
// a process of its own, and the answer kept while the file stays the same.
// A file whose decoding hangs or crashes is one the platform cannot render,
// as a graph builder gives up on a stream no working chain of filters takes.
#include "platform/file_test.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

#include "platform/file_tester/protocol.h"
#include "platform/native/dshow.h"
#include "platform/native/files.h"
#include "platform/tester_process.h"

namespace plat {
namespace {

// What a file was when it was tested, and the result.
struct Tested {
    off_t size;
    struct timespec modified;
    HRESULT result;
};

// A file however a path names it: a preset's path is absolute when the
// settings are read and relative once they are written again.
using FileIdentity = std::pair<dev_t, ino_t>;

bool same_file(const Tested& tested, const struct stat& info) {
    return tested.size == info.st_size && tested.modified.tv_sec == info.st_mtim.tv_sec &&
           tested.modified.tv_nsec == info.st_mtim.tv_nsec;
}

// Enough for every preset and the files of a session; past it, all are
// forgotten and tested again.
constexpr size_t TESTED_KEPT = 64;

}  // namespace

HRESULT probe_file(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        return HRESULT_FROM_WIN32(errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    }
    if (S_ISDIR(info.st_mode) || access(path.c_str(), R_OK) != 0) {
        return E_ACCESSDENIED;
    }
    // A file is decoded once while it stays the same: a preset is tested at
    // start, when assigned, and again each time it plays.
    static std::mutex lock;
    static std::map<FileIdentity, Tested> tested;
    FileIdentity identity(info.st_dev, info.st_ino);
    {
        std::lock_guard<std::mutex> hold(lock);
        auto found = tested.find(identity);
        if (found != tested.end() && same_file(found->second, info)) {
            return found->second.result;
        }
    }
    std::string verdict = ask_file_tester(path);
    if (verdict.empty()) {
        // No tester to ask: nothing is played untested, and nothing kept.
        return VFW_E_CANNOT_RENDER;
    }
    HRESULT result = verdict == filetest::DECODES        ? S_OK
                     : verdict == filetest::UNKNOWN_TYPE ? VFW_E_UNSUPPORTED_STREAM
                                                         : VFW_E_CANNOT_RENDER;
    std::lock_guard<std::mutex> hold(lock);
    if (tested.size() >= TESTED_KEPT) {
        tested.clear();
    }
    tested[identity] = Tested{info.st_size, info.st_mtim, result};
    return result;
}

}  // namespace plat
