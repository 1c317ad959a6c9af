// Real internet radio stations on 127.0.0.1 for tests and benchmarks: an
// Icecast 2 server on a free port, each mount fed by ffmpeg with a steady
// MP3 tone of its own frequency (so a capture tells which station played),
// ICY metadata on. Config and logs live in a scratch folder; every process
// is in its own group and dies with the thread that made the station.
//
//   TestStation station({{"/radio.mp3", 440}, {"/jazz.mp3", 660}});
//   ASSERT_TRUE(station.start());                 // returns once audio flows
//   station.url(1);                               // http://127.0.0.1:PORT/jazz.mp3
//   station.set_title("Miles Davis - So What");   // ICY StreamTitle, mount 0
//   station.stop_source(); station.restart_source();  // mount 0 drops, returns
//   station.stop(); station.restart();            // the server, same port
//
// A title travels with the stream sent after it: a listener who connects
// first gets about a second of earlier stream (Icecast's burst) and its title.
// start() and the restarts return once a listener gets audio (about a second).
//
// The hostile servers (garbage, stall, endless header, closed port) are in
// hostile_server.h; build/bin/test-station offers both to shell scripts.
#pragma once

#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/scratch_dir.h"

struct StationMount {
    std::string path;  // "/radio.mp3"
    double tone_hz;
};

class TestStation {
  public:
    explicit TestStation(std::vector<StationMount> mounts = {{"/radio.mp3", 440}});
    ~TestStation() { stop(); }
    TestStation(const TestStation&) = delete;
    TestStation& operator=(const TestStation&) = delete;

    // The server on a free port and every mount's source; true once every
    // mount sends audio to a listener.
    bool start();
    // The server and every source; the port stays the station's.
    void stop();
    // The server on the same port, then the sources and their titles.
    bool restart();
    // One mount's source: its listeners lose the stream (the mount is gone).
    void stop_source(size_t mount = 0);
    // The source again, and its title; true once it sends audio.
    bool restart_source(size_t mount = 0);
    // The title listeners get as ICY StreamTitle (kept across restarts).
    bool set_title(const std::string& title, size_t mount = 0);
    // Whether every running mount sends audio within the time.
    bool ready(double timeout_seconds = 10);

    std::string url(size_t mount = 0) const;
    int port() const { return port_; }
    // Config and logs; logs() joins the server's and the sources' (for a
    // failure message).
    const ScratchDir& folder() const { return folder_; }
    std::string logs() const;

  private:
    bool start_server();
    bool start_source(size_t mount);

    std::vector<StationMount> mounts_;
    std::vector<std::string> titles_;
    std::vector<bool> wanted_;  // sources started and not stopped by the caller
    ScratchDir folder_;
    int port_ = 0;
    ChildProcess server_;
    std::vector<ChildProcess> sources_;
};
