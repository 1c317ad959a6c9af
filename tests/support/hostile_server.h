// Servers on 127.0.0.1 that a radio must survive, each on a free port with a
// thread of its own, stopped when the object goes:
//   garbage         HTTP 200, audio/mpeg, then random bytes forever (~100 KB/s)
//   stall           HTTP 200, audio/mpeg, then nothing, the connection held open
//   endless_header  a status line, then header lines that never end
//   closed          nothing listens on the port: connections are refused
//   silent          a listener that never accepts: connects, never answers
//   aac             HTTP 200, audio/aacp, then random bytes: a format not played
//   redirect        HTTP 302 to the target given, or to itself (for ever)
//
//   HostileServer server(HostileServer::Kind::stall);
//   play(server.url());   // http://127.0.0.1:PORT/radio.mp3
#pragma once

#include <atomic>
#include <string>
#include <thread>

class HostileServer {
  public:
    enum class Kind { garbage, stall, endless_header, closed, silent, aac, redirect };

    explicit HostileServer(Kind kind, std::string target = "");
    ~HostileServer();
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/radio.mp3"; }
    int port() const { return port_; }

    // The kind named as the command line names it ("endless-header"); false
    // for an unknown name.
    static bool parse_kind(const std::string& name, Kind& kind);

  private:
    void serve();

    Kind kind_;
    std::string target_;
    int port_ = 0;
    int listener_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};
