// Plain sockets on 127.0.0.1 for the test stations and their tests: nothing
// here reaches any other address.
#pragma once

#include <string>

// A port on 127.0.0.1 that nothing listens on at the moment of the call.
int free_loopback_port();

// A listening socket on 127.0.0.1 (port 0: any free port), or -1.
int listen_on_loopback(int port, int backlog);

// A connected socket to 127.0.0.1:port, or -1 when refused.
int loopback_connect(int port);

// Sends `request` to 127.0.0.1:port and returns what came back, until `want`
// bytes arrived, the peer closed, or `timeout_seconds` passed. Empty when
// the connection was refused.
std::string loopback_exchange(int port, const std::string& request, size_t want,
                              double timeout_seconds);

// A GET of `target` with the extra header lines given (each ending "\r\n").
std::string loopback_get(int port, const std::string& target, size_t want, double timeout_seconds,
                         const std::string& headers = "");

// The body of an HTTP response whose status is 200, or empty.
std::string ok_body(const std::string& response);
