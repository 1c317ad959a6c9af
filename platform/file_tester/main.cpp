// skytune-filetest: the stand-in's RenderFile test of a sound file, made
// in a short-lived child of this process so that a file which hangs or
// crashes its decoder costs that child, never the host. The stand-in's
// library starts it (from beside itself, with a clean environment and none
// of the host's descriptors) and asks about files as it needs (protocol.h).
//
// GStreamer is set up, and the plugins of the radio's formats loaded, once
// here while the process has one thread; each child is forked from that
// state and starts at once. A child goes in a process group of its own,
// which is killed whole when it shows no progress, so no core stays busy
// with a file given up on; it dies with this process too.
//
// The library waits for a file's first audio, not for all of it: once that
// is answered, the child decodes the rest in the background, one such child
// at a time and soon at a lower priority.
#include <fcntl.h>
#include <gst/gst.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "platform/file_tester/full_decode.h"
#include "platform/file_tester/protocol.h"
#include "platform/gst_decode.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Child {
    std::string id;
    pid_t pid;
    int progress;
    // The last sign of progress, or when the child last resumed.
    Clock::time_point last_sign;
    // Its first audio was answered, then: it decodes the rest in the
    // background.
    bool sounding = false;
    Clock::time_point sounded{};
    // Something waits for its last word.
    bool urgent = false;
    bool paused = false;
    bool niced = false;
    const char* verdict = nullptr;
};

std::vector<Child> children;

const char* verdict_of(int status) {
    if (WIFEXITED(status)) {
        switch (WEXITSTATUS(status)) {
            case filetest::OUTCOME_DECODES:
                return filetest::DECODES;
            case filetest::OUTCOME_UNKNOWN_TYPE:
                return filetest::UNKNOWN_TYPE;
            case filetest::OUTCOME_UNDECODABLE:
                return filetest::UNDECODABLE;
            case filetest::OUTCOME_TOO_LONG:
                return filetest::TIMED_OUT;
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

void end_group(Child* child, const char* verdict) {
    int status = 0;
    kill(-child->pid, SIGKILL);
    waitpid(child->pid, &status, 0);
    child->verdict = verdict != nullptr ? verdict : verdict_of(status);
}

[[noreturn]] void end_all() {
    for (Child& child : children) {
        if (child.verdict == nullptr) {
            end_group(&child, nullptr);
        }
    }
    _exit(0);
}

void answer(const std::string& id, const char* word) {
    std::string line = id + " " + word + "\n";
    if (write(STDOUT_FILENO, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        // The library has gone: so have its questions.
        end_all();
    }
}

void start_test(const std::string& id, const std::string& path) {
    int progress[2];
    if (pipe2(progress, O_CLOEXEC) != 0) {
        answer(id, filetest::CRASHED);
        return;
    }
    pid_t tester = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        close(progress[0]);
        run_child(path, progress[1], tester);
    }
    close(progress[1]);
    if (pid < 0) {
        close(progress[0]);
        answer(id, filetest::CRASHED);
        return;
    }
    setpgid(pid, pid);
    children.push_back(Child{id, pid, progress[0], Clock::now()});
}

// Each request ends with a NUL; a part of one waits in pending.
void take_requests(std::string* pending) {
    char data[4096];
    ssize_t got = read(STDIN_FILENO, data, sizeof data);
    if (got < 0 && errno == EINTR) {
        return;
    }
    if (got <= 0) {
        end_all();
    }
    pending->append(data, static_cast<size_t>(got));
    for (size_t end; (end = pending->find('\0')) != std::string::npos; pending->erase(0, end + 1)) {
        std::string request = pending->substr(0, end);
        size_t space = request.find(' ');
        size_t second = request.find(' ', space + 1);
        std::string word = request.substr(0, space);
        std::string id = request.substr(space + 1, second - space - 1);
        if (word == "test" && second != std::string::npos) {
            start_test(id, request.substr(second + 1));
        } else if (word == "hurry") {
            for (Child& child : children) {
                child.urgent = child.urgent || child.id == id;
            }
        }
    }
}

void take_progress(Child* child) {
    char signs[64];
    ssize_t got = read(child->progress, signs, sizeof signs);
    if (got > 0) {
        child->last_sign = Clock::now();
        if (!child->sounding) {
            child->sounding = true;
            child->sounded = child->last_sign;
            answer(child->id, filetest::SOUNDS);
        }
    } else if (got == 0) {
        // The child's end closes only as it exits.
        int status = 0;
        waitpid(child->pid, &status, 0);
        child->verdict = verdict_of(status);
    }
}

// Decoding the rest of a file in the background is one child's work at a
// time, in the order asked, and waits while something waits for another
// child's last word or for a file's first audio (the host asks for presets
// one after another): the other children are paused meanwhile. A first
// audio never waits. A child's stall is counted only while it may run.
void schedule() {
    bool free = std::none_of(children.begin(), children.end(),
                             [](const Child& child) { return child.urgent || !child.sounding; });
    Clock::time_point now = Clock::now();
    for (Child& child : children) {
        bool background = child.sounding && !child.urgent;
        bool run = !background || free;
        free = free && !background;
        if (background && !child.niced &&
            now >= child.sounded + std::chrono::milliseconds(filetest::BACKGROUND_GRACE_MS)) {
            setpriority(PRIO_PGRP, static_cast<id_t>(child.pid), filetest::BACKGROUND_NICE);
            child.niced = true;
        }
        if (run == child.paused) {
            kill(-child.pid, run ? SIGCONT : SIGSTOP);
            child.paused = !run;
            child.last_sign = Clock::now();
        }
    }
}

}  // namespace

int main() {
    signal(SIGPIPE, SIG_IGN);
    gst_init(nullptr, nullptr);
    plat::load_decoder_plugins();
    std::string pending;
    for (;;) {
        schedule();
        std::vector<pollfd> watched = {{STDIN_FILENO, POLLIN, 0}};
        Clock::time_point deadline = Clock::time_point::max();
        for (const Child& child : children) {
            watched.push_back({child.progress, POLLIN, 0});
            if (!child.paused) {
                deadline = std::min(
                    deadline, child.last_sign + std::chrono::milliseconds(filetest::STALL_MS));
            }
            if (child.sounding && !child.urgent && !child.niced) {
                deadline = std::min(deadline, child.sounded + std::chrono::milliseconds(
                                                                  filetest::BACKGROUND_GRACE_MS));
            }
        }
        int wait = -1;
        if (deadline != Clock::time_point::max()) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = static_cast<int>(std::max<long long>(left.count(), 0));
        }
        int ready = poll(watched.data(), watched.size(), wait);
        if (ready < 0 && errno != EINTR) {
            end_all();
        }
        for (size_t i = 0; ready > 0 && i < children.size(); ++i) {
            if (watched[i + 1].revents != 0) {
                take_progress(&children[i]);
            }
        }
        Clock::time_point now = Clock::now();
        for (Child& child : children) {
            int status = 0;
            if (child.verdict != nullptr) {
                continue;
            }
            if (waitpid(child.pid, &status, WNOHANG) == child.pid) {
                child.verdict = verdict_of(status);
            } else if (!child.paused &&
                       now >= child.last_sign + std::chrono::milliseconds(filetest::STALL_MS)) {
                end_group(&child, filetest::TIMED_OUT);
            }
        }
        for (auto child = children.begin(); child != children.end();) {
            if (child->verdict == nullptr) {
                ++child;
                continue;
            }
            close(child->progress);
            answer(child->id, child->verdict);
            child = children.erase(child);
        }
        if (ready > 0 && watched[0].revents != 0) {
            take_requests(&pending);
        }
    }
}
