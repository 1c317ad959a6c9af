// RenderFile's test: the file is decoded to its end by the file tester, in
// a process of its own, and the answer kept while the file stays the same.
// RenderFile waits for the file's first audio only; its last word comes
// later. A file whose decoding hangs or crashes is one the platform cannot
// render, as a graph builder gives up on a stream no working chain of
// filters takes.
#include "platform/file_test.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/file_tester/protocol.h"
#include "platform/native/dshow.h"
#include "platform/native/files.h"
#include "platform/tester_process.h"

namespace plat {
namespace {

// What a file was when it was tested, and what the test said of it.
struct Tested {
    off_t size;
    struct timespec modified;
    unsigned long question = 0;
    bool hurried = false;
    // Whether it sounds, RenderFile's answer.
    bool answered = false;
    HRESULT first = S_OK;
    // Whether it decodes to its end.
    bool ended = false;
    HRESULT verdict = S_OK;
    std::vector<std::function<void()>> ready;
};

// A file however a path names it: a preset's path is absolute when the
// settings are read and relative once they are written again.
using FileIdentity = std::pair<dev_t, ino_t>;

// Enough for every preset and the files of a session; past it, all that
// have been decoded to their end are forgotten and tested again.
constexpr size_t TESTED_KEPT = 64;

HRESULT result_of(const char* word) {
    return strcmp(word, filetest::DECODES) == 0        ? S_OK
           : strcmp(word, filetest::UNKNOWN_TYPE) == 0 ? VFW_E_UNSUPPORTED_STREAM
                                                       : VFW_E_CANNOT_RENDER;
}

// Never destroyed: the tester's answers may still come while the
// process's statics go.
class TestedFiles {
  public:
    // The file's test as the file is now, begun if it was not.
    std::shared_ptr<Tested> test(const std::string& path, const struct stat& info) {
        std::unique_lock<std::mutex> hold(lock_);
        FileIdentity identity(info.st_dev, info.st_ino);
        auto found = files_.find(identity);
        if (found != files_.end() && found->second->size == info.st_size &&
            found->second->modified.tv_sec == info.st_mtim.tv_sec &&
            found->second->modified.tv_nsec == info.st_mtim.tv_nsec) {
            return found->second;
        }
        if (files_.size() >= TESTED_KEPT) {
            for (auto file = files_.begin(); file != files_.end();) {
                file = file->second->ended ? files_.erase(file) : std::next(file);
            }
        }
        auto tested = std::make_shared<Tested>();
        tested->size = info.st_size;
        tested->modified = info.st_mtim;
        files_[identity] = tested;
        hold.unlock();
        unsigned long question =
            ask_file_tester(path, [this, tested](const char* word) { heard(tested, word); });
        hold.lock();
        tested->question = question;
        hurry_if_awaited(tested.get());
        if (question == 0) {
            // No tester to ask: nothing is played untested, and nothing kept.
            if (files_[identity] == tested) {
                files_.erase(identity);
            }
            hold.unlock();
            heard(tested, filetest::CRASHED);
        }
        return tested;
    }

    HRESULT first_answer(const std::shared_ptr<Tested>& tested) {
        std::unique_lock<std::mutex> hold(lock_);
        answered_.wait(hold, [&tested] { return tested->answered; });
        return tested->ended ? tested->verdict : tested->first;
    }

    bool last_answer(const std::shared_ptr<Tested>& tested, std::function<void()> ready,
                     HRESULT* verdict) {
        std::lock_guard<std::mutex> hold(lock_);
        if (tested->ended) {
            *verdict = tested->verdict;
            return true;
        }
        tested->ready.push_back(std::move(ready));
        hurry_if_awaited(tested.get());
        return false;
    }

  private:
    // Under lock_: something waits for the last word, which goes first.
    static void hurry_if_awaited(Tested* tested) {
        if (!tested->hurried && tested->question != 0 && !tested->ready.empty()) {
            tested->hurried = true;
            hurry_file_tester(tested->question);
        }
    }

    void heard(const std::shared_ptr<Tested>& tested, const char* word) {
        std::vector<std::function<void()>> ready;
        {
            std::lock_guard<std::mutex> hold(lock_);
            bool sounds = strcmp(word, filetest::SOUNDS) == 0;
            if (tested->ended || (sounds && tested->answered)) {
                return;
            }
            if (!tested->answered) {
                tested->answered = true;
                tested->first = sounds ? S_OK : result_of(word);
            }
            if (!sounds) {
                tested->ended = true;
                tested->verdict = result_of(word);
                ready.swap(tested->ready);
            }
        }
        answered_.notify_all();
        for (auto& then : ready) {
            then();
        }
    }

    std::mutex lock_;
    std::condition_variable answered_;
    std::map<FileIdentity, std::shared_ptr<Tested>> files_;
};

TestedFiles& tested_files() {
    static TestedFiles* instance = new TestedFiles;
    return *instance;
}

// The platform's error for a path that names no readable file.
HRESULT look_at(const std::string& path, struct stat* info) {
    if (stat(path.c_str(), info) != 0) {
        return HRESULT_FROM_WIN32(errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    }
    if (S_ISDIR(info->st_mode) || access(path.c_str(), R_OK) != 0) {
        return E_ACCESSDENIED;
    }
    return S_OK;
}

}  // namespace

HRESULT probe_file(const std::string& path) {
    struct stat info;
    HRESULT found = look_at(path, &info);
    if (FAILED(found)) {
        return found;
    }
    // A file is decoded once while it stays the same: a preset is tested at
    // start, when assigned, and again each time it plays.
    TestedFiles& files = tested_files();
    return files.first_answer(files.test(path, info));
}

bool file_verdict(const std::string& path, std::function<void()> ready, HRESULT* verdict) {
    struct stat info;
    *verdict = look_at(path, &info);
    if (FAILED(*verdict)) {
        return true;
    }
    TestedFiles& files = tested_files();
    return files.last_answer(files.test(path, info), std::move(ready), verdict);
}

}  // namespace plat
