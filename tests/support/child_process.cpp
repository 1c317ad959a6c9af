#include "tests/support/child_process.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace {

std::string on_path(const std::string& name) {
    std::istringstream path(getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin");
    for (std::string folder; std::getline(path, folder, ':');) {
        std::string candidate = folder + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return "";
}

}  // namespace

bool ChildProcess::start(const std::vector<std::string>& argv, const std::string& log,
                         bool drop_root) {
    stop();
    std::string program = on_path(argv.at(0));
    if (program.empty()) {
        return false;
    }
    // Everything the child needs is made before fork: after it, in a process
    // with threads, only async-signal-safe calls are sound.
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const passwd* nobody = drop_root && geteuid() == 0 ? getpwnam("nobody") : nullptr;
    uid_t uid = nobody ? nobody->pw_uid : 0;
    gid_t gid = nobody ? nobody->pw_gid : 0;
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        setpgid(0, 0);
        int in = open("/dev/null", O_RDONLY);
        int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) {
            _exit(126);
        }
        if (nobody && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)) {
            _exit(126);
        }
        // After the change of user, which clears it; then the parent may
        // already be gone.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(126);
        }
        execv(program.c_str(), args.data());
        _exit(127);
    }
    setpgid(pid, pid);
    pid_ = pid;
    return true;
}

bool ChildProcess::running() {
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) {
        kill(-pid_, SIGKILL);  // whatever it left in its group
        pid_ = -1;
    }
    return pid_ > 0;
}

void ChildProcess::stop(double grace_seconds) {
    if (pid_ <= 0) {
        return;
    }
    kill(-pid_, SIGTERM);
    auto end = std::chrono::steady_clock::now() +
               std::chrono::milliseconds(static_cast<long>(grace_seconds * 1000));
    while (waitpid(pid_, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= end) {
            kill(-pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(-pid_, SIGKILL);
    pid_ = -1;
}
