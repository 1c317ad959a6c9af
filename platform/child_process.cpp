// Starting the stand-in's helper programs with nothing of the host's.
#include "platform/child_process.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace plat {

std::string program_beside_library(const char* name) {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&program_beside_library), &info) == 0 ||
        info.dli_fname == nullptr) {
        return name;
    }
    std::string library = info.dli_fname;
    size_t slash = library.rfind('/');
    return (slash == std::string::npos ? "" : library.substr(0, slash + 1)) + name;
}

pid_t spawn_clean(const std::string& program, std::vector<std::string> arguments,
                  const std::vector<int>& descriptors, int* error) {
    std::vector<char*> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (strncmp(*entry, "SKYTUNE_", 8) != 0) {
            environment.push_back(*entry);
        }
    }
    environment.push_back(nullptr);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int count = static_cast<int>(descriptors.size());
    for (int target = 0; target < count; ++target) {
        if (descriptors[target] >= 0) {
            posix_spawn_file_actions_adddup2(&actions, descriptors[target], target);
        } else {
            posix_spawn_file_actions_addopen(&actions, target, "/dev/null", O_RDWR, 0);
        }
    }
    if (count <= STDERR_FILENO) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addclosefrom_np(&actions, count > STDERR_FILENO ? count : 3);
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
    pid_t pid = -1;
    int failed =
        posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    *error = failed;
    return failed == 0 ? pid : -1;
}

}  // namespace plat
