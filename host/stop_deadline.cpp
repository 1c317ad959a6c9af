// The deadline after a stop signal. The session's own handler asks the run
// to end between calls into the module; a call that does not return would
// keep the host for ever, so a thread that a signal wakes ends the process
// if the host is still inside the module when the deadline passes. A
// settings save cut short leaves the old file or the new one, whole.
#include "host/stop_deadline.h"

#include <semaphore.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

namespace {

using std::chrono::milliseconds;

// Within a second of the signal, leaving the clean end the time it takes.
constexpr milliseconds DEADLINE(900);
// Past the module, the way out only has to end at all.
constexpr milliseconds WAY_OUT(10000);

sem_t signalled;
volatile sig_atomic_t first_signal = 0;
std::atomic<bool> done{false};
struct sigaction chained_int;
struct sigaction chained_term;

void on_stop_signal(int number) {
    const struct sigaction& chained = number == SIGINT ? chained_int : chained_term;
    if (chained.sa_handler != SIG_DFL && chained.sa_handler != SIG_IGN) {
        chained.sa_handler(number);
    }
    if (first_signal == 0) {
        first_signal = number;
        sem_post(&signalled);
    }
}

[[noreturn]] void end_now(const char* why) {
    const char* end = why;
    while (*end != '\0') {
        ++end;
    }
    ssize_t ignored = write(STDERR_FILENO, why, static_cast<size_t>(end - why));
    (void)ignored;
    _exit(128 + first_signal);
}

void watch() {
    while (sem_wait(&signalled) != 0 && errno == EINTR) {
    }
    auto deadline = std::chrono::steady_clock::now() + DEADLINE;
    while (!done && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(10));
    }
    if (!done) {
        end_now("skytune-host: a call into the gauge did not return; ending\n");
    }
    std::this_thread::sleep_for(WAY_OUT);
    end_now("skytune-host: stuck on the way out; ending\n");
}

}  // namespace

void end_soon_after_stop_signals() {
    sem_init(&signalled, 0, 0);
    std::thread(watch).detach();
    // As the handlers chained onto: calls under way go on.
    struct sigaction action = {};
    action.sa_handler = on_stop_signal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &chained_int);
    sigaction(SIGTERM, &action, &chained_term);
}

void module_calls_done() {
    done = true;
}
