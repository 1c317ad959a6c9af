// The library's side of a station: the stream reader is started clean, in
// a process group of its own that is killed whole when the station is let
// go, whatever the reader is doing. A station that has shown no sound
// within the time limit (it stalls, sends an endless header, or a decoder
// goes round on garbage) is given up, and its reader killed.
#include "platform/stream_connection.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/child_process.h"
#include "platform/native/dshow.h"
#include "platform/stream_reader/protocol.h"

namespace plat {
namespace {

// Connecting, the headers and the first sound: a station on the other side
// of the world answers well within it.
constexpr int READY_LIMIT_MS = 8000;

bool starts_with(const std::string& text, const char* prefix) {
    return strncmp(text.c_str(), prefix, strlen(prefix)) == 0;
}

}  // namespace

bool is_stream_address(const std::string& path) {
    return strncasecmp(path.c_str(), "http://", 7) == 0 ||
           strncasecmp(path.c_str(), "https://", 8) == 0;
}

HRESULT StreamConnection::open(const std::string& address,
                               std::shared_ptr<StreamConnection>* connection) {
    int audio[2];
    int status[2];
    if (pipe2(audio, O_CLOEXEC) != 0) {
        return E_OUTOFMEMORY;
    }
    if (pipe2(status, O_CLOEXEC) != 0) {
        close(audio[0]);
        close(audio[1]);
        return E_OUTOFMEMORY;
    }
    std::string program = program_beside_library("skytune-streamread");
    int failed = 0;
    pid_t reader = spawn_clean(program, {program, address}, {-1, audio[1], -1, status[1]}, &failed);
    close(audio[1]);
    close(status[1]);
    std::shared_ptr<StreamConnection> made(new StreamConnection);
    made->reader_ = reader;
    made->audio_ = audio[0];
    made->status_ = status[0];
    if (reader < 0) {
        return VFW_E_CANNOT_RENDER;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(READY_LIMIT_MS);
    std::lock_guard<std::mutex> hold(made->lock_);
    while (!made->ready_ && made->failure_.empty()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return VFW_E_TIMEOUT;
        }
        if (!made->read_reports(static_cast<int>(left.count()))) {
            break;
        }
    }
    // A reader gone without a word crashed: it had no sound to give.
    if (!made->ready_) {
        return made->failure_ == streamread::FAILED_CONNECT ? INET_E_RESOURCE_NOT_FOUND
                                                            : VFW_E_CANNOT_RENDER;
    }
    *connection = made;
    return S_OK;
}

StreamConnection::~StreamConnection() {
    end();
    if (audio_ >= 0) {
        close(audio_);
    }
    if (status_ >= 0) {
        close(status_);
    }
}

void StreamConnection::end() {
    std::lock_guard<std::mutex> hold(lock_);
    if (reader_ > 0) {
        kill(-reader_, SIGKILL);
        waitpid(reader_, nullptr, 0);
        reader_ = -1;
    }
}

std::string StreamConnection::title() {
    std::lock_guard<std::mutex> hold(lock_);
    read_reports(0);
    return title_;
}

bool StreamConnection::read_reports(int wait_ms) {
    if (status_ < 0) {
        return false;
    }
    pollfd watched = {status_, POLLIN, 0};
    int ready = poll(&watched, 1, wait_ms);
    if (ready < 0) {
        return errno == EINTR;
    }
    if (ready == 0) {
        return true;
    }
    char bytes[4096];
    ssize_t got = read(status_, bytes, sizeof bytes);
    if (got < 0 && errno == EINTR) {
        return true;
    }
    if (got <= 0) {
        close(status_);
        status_ = -1;
        return false;
    }
    pending_.append(bytes, static_cast<size_t>(got));
    size_t end = 0;
    while ((end = pending_.find('\n')) != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        if (line == streamread::READY) {
            ready_ = true;
        } else if (starts_with(line, streamread::TITLE)) {
            title_ = line.substr(strlen(streamread::TITLE));
        } else if (starts_with(line, "failed")) {
            failure_ = line;
        }
    }
    // A reader that writes without end is read a buffer at a time.
    if (pending_.size() > 8192) {
        pending_.clear();
    }
    return true;
}

}  // namespace plat
