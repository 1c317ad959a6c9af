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

#include "platform/file_tester/protocol.h"
#include "platform/native/dshow.h"
#include "platform/native/files.h"
#include "platform/tester_process.h"

namespace plat {
namespace {

// What a file was when it was tested, and the result.
struct Tested {
    dev_t device;
    ino_t inode;
    off_t size;
    struct timespec modified;
    HRESULT result;
};

bool same_file(const Tested& tested, const struct stat& info) {
    return tested.device == info.st_dev && tested.inode == info.st_ino &&
           tested.size == info.st_size && tested.modified.tv_sec == info.st_mtim.tv_sec &&
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
    static std::map<std::string, Tested> tested;
    {
        std::lock_guard<std::mutex> hold(lock);
        auto found = tested.find(path);
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
    tested[path] = Tested{info.st_dev, info.st_ino, info.st_size, info.st_mtim, result};
    return result;
}

}  // namespace plat
