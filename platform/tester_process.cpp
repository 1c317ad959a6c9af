// The library's side of the file tester: one tester process for the
// library's life, spawned from beside the library, so that the library
// never runs a decoder over a file it has not seen decode to its end.
//
// The tester is started clean (child_process.h): none of the host's
// switches or descriptors (its sound device, windows, files). It ends when
// its standard input closes with the host.
#include "platform/tester_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/child_process.h"
#include "platform/file_tester/protocol.h"
#include "platform/native/standin.h"

namespace plat {
namespace {

// Beyond the tester's own limits: a tester that answers nothing by then
// is itself stuck.
constexpr int ANSWER_MS = filetest::LIMIT_MS + 5000;

class Tester {
  public:
    std::string ask(const std::string& path) {
        std::lock_guard<std::mutex> hold(lock_);
        // A tester that went away (killed from outside) is replaced once.
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!start()) {
                return "";
            }
            std::string request = path;
            request += '\0';
            if (send(socket_, request.data(), request.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(request.size())) {
                end();
                continue;
            }
            std::string answer;
            switch (read_answer(&answer)) {
                case Answer::Given:
                    return answer;
                case Answer::Gone:
                    end();
                    continue;
                case Answer::Late:
                    end();
                    return filetest::TIMED_OUT;
            }
        }
        return filetest::CRASHED;
    }

    void prepare() {
        std::lock_guard<std::mutex> hold(lock_);
        start();
    }

  private:
    enum class Answer { Given, Gone, Late };

    bool start() {
        if (pid_ > 0) {
            return true;
        }
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
            return false;
        }
        std::string program = program_beside_library("skytune-filetest");
        int failed = 0;
        pid_t pid = spawn_clean(program, {program}, {ends[1], ends[1]}, &failed);
        close(ends[1]);
        if (pid < 0) {
            close(ends[0]);
            if (!warned_) {
                fprintf(stderr, "skytune: cannot start the file tester %s: %s\n", program.c_str(),
                        strerror(failed));
                warned_ = true;
            }
            return false;
        }
        pid_ = pid;
        socket_ = ends[0];
        return true;
    }

    void end() {
        if (pid_ > 0) {
            kill(-pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            close(socket_);
        }
        pid_ = -1;
        socket_ = -1;
    }

    Answer read_answer(std::string* answer) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ANSWER_MS);
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd watched = {socket_, POLLIN, 0};
            int ready = poll(&watched, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                return ready == 0 ? Answer::Late : Answer::Gone;
            }
            char c = 0;
            ssize_t got = recv(socket_, &c, 1, 0);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return Answer::Gone;
            }
            if (c == '\n') {
                return Answer::Given;
            }
            *answer += c;
        }
    }

    std::mutex lock_;
    pid_t pid_ = -1;
    int socket_ = -1;
    bool warned_ = false;
};

// Never destroyed: the tester ends by itself when the process goes.
Tester& tester() {
    static Tester* instance = new Tester;
    return *instance;
}

}  // namespace

std::string ask_file_tester(const std::string& path) {
    return tester().ask(path);
}

void start_file_tester() {
    tester().prepare();
}

}  // namespace plat
