// A program a test runs beside itself (a streaming server, its source), in
// a process group of its own and killed with the thread that started it, so
// that no test, failed or killed, leaves one behind.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Runs argv (argv[0] found on PATH) with standard input from /dev/null
    // and its output appended to log. As root, drop_root runs it as nobody
    // (servers that refuse to run as root). False when it could not start.
    bool start(const std::vector<std::string>& argv, const std::string& log,
               bool drop_root = false);
    // Whether it still runs (reaping it when it has ended).
    bool running();
    // Terminates its whole group: SIGTERM, then SIGKILL after grace_seconds.
    void stop(double grace_seconds = 1.0);

  private:
    pid_t pid_ = -1;
};
