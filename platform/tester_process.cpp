// The library's side of the file tester: one tester process for the
// library's life, spawned from beside the library, so that the library
// never runs a decoder over a file it has not seen decode to its end.
//
// The tester gets an environment without the stand-in's own switches
// (SKYTUNE_*: it neither fails on purpose, nor traces, nor plays anywhere)
// and none of the host's descriptors (its sound device, windows, files).
// It sits in a process group of its own, so a signal meant for the host
// leaves it alone; it ends when its standard input closes with the host.
#include "platform/tester_process.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/file_tester/protocol.h"
#include "platform/native/standin.h"

extern char** environ;

namespace plat {
namespace {

// Beyond the tester's own limits: a tester that answers nothing by then
// is itself stuck.
constexpr int ANSWER_MS = filetest::LIMIT_MS + 5000;

std::string tester_path() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&ask_file_tester), &info) == 0 ||
        info.dli_fname == nullptr) {
        return "skytune-filetest";
    }
    std::string library = info.dli_fname;
    size_t slash = library.rfind('/');
    return (slash == std::string::npos ? "" : library.substr(0, slash + 1)) + "skytune-filetest";
}

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
        std::vector<char*> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            if (strncmp(*entry, "SKYTUNE_", 8) != 0) {
                environment.push_back(*entry);
            }
        }
        environment.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGCHLD, SIGALRM}) {
            sigaddset(&defaults, signal_number);
        }
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(
            &attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        std::string program = tester_path();
        char* arguments[] = {program.data(), nullptr};
        pid_t pid = -1;
        int failed = posix_spawn(&pid, program.c_str(), &actions, &attributes, arguments,
                                 environment.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        close(ends[1]);
        if (failed != 0) {
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
