// test-station: a loopback radio station, or a hostile server, for shell
// scripts and benchmarks. It prints the URL of each mount on a line of its
// own, then serves until its standard input closes or a signal ends it.
//
//   test-station [MOUNT=HZ ...] [--title TEXT]   a station (default /radio.mp3=440)
//   test-station garbage|stall|endless-header|closed|silent|aac|redirect
//
// A station takes commands on standard input, one a line, each answered
// "ok" or "failed": stop, restart (the server, same port), stop-source [N],
// restart-source [N] (mount N, 0 first), title N TEXT. From bash:
//   coproc STATION { test-station /radio.mp3=440; }
//   read -r url <&"${STATION[0]}"
//   echo stop >&"${STATION[1]}"; read -r answer <&"${STATION[0]}"
//   exec {STATION[1]}>&-; wait "$STATION_PID"
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>

#include "tests/support/hostile_server.h"
#include "tests/support/test_station.h"

namespace {

volatile std::sig_atomic_t ending = 0;

void on_signal(int) {
    ending = 1;
}

bool obey(TestStation& station, const std::string& line) {
    std::istringstream words(line);
    std::string command;
    size_t mount = 0;
    words >> command >> mount;
    if (command == "stop") {
        station.stop();
        return true;
    }
    if (command == "restart") {
        return station.restart();
    }
    if (command == "stop-source") {
        station.stop_source(mount);
        return true;
    }
    if (command == "restart-source") {
        return station.restart_source(mount);
    }
    std::string title;
    if (command == "title" && std::getline(words >> std::ws, title)) {
        return station.set_title(title, mount);
    }
    return false;
}

// Lines from standard input until it closes or a signal comes.
template <class Each>
void serve_input(Each each) {
    std::string pending;
    while (!ending) {
        pollfd input{0, POLLIN, 0};
        if (poll(&input, 1, 100) <= 0) {
            continue;
        }
        char buffer[1024];
        ssize_t got = read(0, buffer, sizeof buffer);
        if (got <= 0) {
            return;
        }
        pending.append(buffer, static_cast<size_t>(got));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            each(pending.substr(0, end));
            pending.erase(0, end + 1);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    struct sigaction action {};
    action.sa_handler = on_signal;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);

    HostileServer::Kind kind;
    if (argc == 2 && HostileServer::parse_kind(argv[1], kind)) {
        HostileServer server(kind);
        std::cout << server.url() << std::endl;
        serve_input([](const std::string&) {});
        return 0;
    }
    std::vector<StationMount> mounts;
    std::string title;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        size_t equals = arg.find('=');
        if (arg == "--title" && i + 1 < argc) {
            title = argv[++i];
        } else if (arg[0] == '/' && equals != std::string::npos) {
            mounts.push_back({arg.substr(0, equals), std::atof(arg.c_str() + equals + 1)});
        } else {
            std::cerr
                << "usage: test-station [MOUNT=HZ ...] [--title TEXT]\n"
                   "       test-station garbage|stall|endless-header|closed|silent|aac|redirect\n";
            return 2;
        }
    }
    if (mounts.empty()) {
        mounts.push_back({"/radio.mp3", 440});
    }
    TestStation station(mounts);
    if (!station.start() || (!title.empty() && !station.set_title(title))) {
        std::cerr << "test-station: the station did not start\n" << station.logs();
        return 1;
    }
    for (size_t i = 0; i < mounts.size(); ++i) {
        std::cout << station.url(i) << "\n";
    }
    std::cout << std::flush;
    serve_input([&](const std::string& line) {
        std::cout << (obey(station, line) ? "ok" : "failed") << std::endl;
    });
    return 0;
}
