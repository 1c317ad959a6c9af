// skytune-filetest: the stand-in's RenderFile test of a sound file, made
// in a short-lived child of this process so that a file which hangs or
// crashes its decoder costs that child, never the host. The stand-in's
// library starts it (from beside itself, with a clean environment and none
// of the host's descriptors) and asks one path at a time (protocol.h).
//
// GStreamer is set up, and the plugins of the radio's formats loaded, once
// here while the process has one thread; each child is forked from that
// state and starts at once. A child goes in a process group of its own,
// which is killed whole when it shows no progress or runs too long, so no
// core stays busy with a file given up on; it dies with this process too.
#include <fcntl.h>
#include <gst/gst.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>

#include "platform/file_tester/full_decode.h"
#include "platform/file_tester/protocol.h"
#include "platform/gst_decode.h"

namespace {

using Clock = std::chrono::steady_clock;

// The next path; false when the library has gone.
bool read_request(std::string* path) {
    path->clear();
    char c = 0;
    for (;;) {
        ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        if (c == '\0') {
            return true;
        }
        *path += c;
    }
}

const char* verdict_of(int status) {
    if (WIFEXITED(status)) {
        switch (WEXITSTATUS(status)) {
            case filetest::OUTCOME_DECODES:
                return filetest::DECODES;
            case filetest::OUTCOME_UNKNOWN_TYPE:
                return filetest::UNKNOWN_TYPE;
            case filetest::OUTCOME_UNDECODABLE:
                return filetest::UNDECODABLE;
            default:
                break;
        }
    }
    return filetest::CRASHED;
}

[[noreturn]] void run_child(const std::string& path, int progress, pid_t tester) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != tester) {
        _exit(filetest::OUTCOME_UNDECODABLE);
    }
    // Nothing the decoders print may reach the library's answers.
    int nothing = open("/dev/null", O_RDWR);
    dup2(nothing, STDIN_FILENO);
    dup2(nothing, STDOUT_FILENO);
    _exit(filetest::decode_fully(path, progress));
}

void end_group(pid_t child, int* status) {
    kill(-child, SIGKILL);
    waitpid(child, status, 0);
}

// Tests one file in a child; the answer.
const char* test_file(const std::string& path) {
    int progress[2];
    if (pipe2(progress, O_CLOEXEC) != 0) {
        return filetest::CRASHED;
    }
    pid_t tester = getpid();
    pid_t child = fork();
    if (child == 0) {
        close(progress[0]);
        run_child(path, progress[1], tester);
    }
    close(progress[1]);
    if (child < 0) {
        close(progress[0]);
        return filetest::CRASHED;
    }
    setpgid(child, child);

    Clock::time_point start = Clock::now();
    Clock::time_point last_sign = start;
    int status = 0;
    const char* verdict = nullptr;
    while (verdict == nullptr) {
        Clock::time_point deadline =
            std::min(last_sign + std::chrono::milliseconds(filetest::STALL_MS),
                     start + std::chrono::milliseconds(filetest::LIMIT_MS));
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        // Standard input is watched for its end only: a question sent early
        // waits for this answer.
        pollfd watched[2] = {{STDIN_FILENO, 0, 0}, {progress[0], POLLIN, 0}};
        int ready = poll(watched, 2, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready < 0 && errno != EINTR) {
            end_group(child, &status);
            verdict = filetest::CRASHED;
        } else if (ready > 0 && (watched[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            // The library has gone: so has the question.
            end_group(child, &status);
            _exit(0);
        } else if (ready > 0 && watched[1].revents != 0) {
            char signs[64];
            ssize_t got = read(progress[0], signs, sizeof signs);
            if (got > 0) {
                last_sign = Clock::now();
            } else if (got == 0) {
                // The child's end closes only as it exits.
                waitpid(child, &status, 0);
                verdict = verdict_of(status);
            }
        } else if (waitpid(child, &status, WNOHANG) == child) {
            verdict = verdict_of(status);
        }
        // However busy it keeps its pipe, a child ends at the limit.
        if (verdict == nullptr && Clock::now() >= deadline) {
            end_group(child, &status);
            verdict = filetest::TIMED_OUT;
        }
    }
    close(progress[0]);
    return verdict;
}

bool answer(const char* verdict) {
    std::string line = std::string(verdict) + "\n";
    return write(STDOUT_FILENO, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

}  // namespace

int main() {
    signal(SIGPIPE, SIG_IGN);
    gst_init(nullptr, nullptr);
    plat::load_decoder_plugins();
    std::string path;
    while (read_request(&path) && answer(test_file(path))) {
    }
    // No clean-up: GStreamer's process-lifetime state goes with the process.
    _exit(0);
}
