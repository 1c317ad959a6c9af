#include "tests/support/hostile_server.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>
#include <vector>

#include "tests/support/loopback_http.h"

namespace {

// The endless header is this without the blank line that would end it.
const std::string kAudioHead = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n";
const std::string kAacHead = "HTTP/1.0 200 OK\r\nContent-Type: audio/aacp\r\n";
const int kTickMs = 20;

}  // namespace

HostileServer::HostileServer(Kind kind, std::string target)
    : kind_(kind), target_(std::move(target)) {
    if (kind == Kind::closed) {
        port_ = free_loopback_port();
        return;
    }
    listener_ = listen_on_loopback(0, 4);
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(reinterpret_cast<sockaddr_in&>(address).sin_port);
    if (target_.empty()) {
        target_ = url();
    }
    if (kind != Kind::silent) {
        thread_ = std::thread([this] { serve(); });
    }
}

HostileServer::~HostileServer() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (listener_ >= 0) {
        close(listener_);
    }
}

bool HostileServer::parse_kind(const std::string& name, Kind& kind) {
    const std::pair<const char*, Kind> kinds[] = {{"garbage", Kind::garbage},
                                                  {"stall", Kind::stall},
                                                  {"endless-header", Kind::endless_header},
                                                  {"closed", Kind::closed},
                                                  {"silent", Kind::silent},
                                                  {"aac", Kind::aac},
                                                  {"redirect", Kind::redirect}};
    for (const auto& [known, value] : kinds) {
        if (name == known) {
            kind = value;
            return true;
        }
    }
    return false;
}

// One thread serves every client: each tick it accepts, drains what clients
// sent, drops those that closed, and sends each its next piece.
void HostileServer::serve() {
    std::vector<int> clients;
    uint32_t noise = 2463534242u;
    std::string piece;
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, kTickMs) > 0) {
            int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (client >= 0 && kind_ == Kind::redirect) {
                std::string head = "HTTP/1.0 302 Found\r\nLocation: " + target_ + "\r\n\r\n";
                send(client, head.data(), head.size(), MSG_NOSIGNAL);
                close(client);
            } else if (client >= 0) {
                clients.push_back(client);
                std::string head = kind_ == Kind::aac
                                       ? kAacHead + "\r\n"
                                       : kAudioHead + (kind_ == Kind::endless_header ? "" : "\r\n");
                send(client, head.data(), head.size(), MSG_NOSIGNAL);
            }
        }
        if (kind_ == Kind::garbage || kind_ == Kind::aac) {
            piece.resize(2048);
            for (char& c : piece) {
                noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;  // xorshift
                c = static_cast<char>(noise);
            }
        } else if (kind_ == Kind::endless_header) {
            piece = "X-Padding: " + std::string(500, 'a') + "\r\n";
        }
        for (size_t i = 0; i < clients.size();) {
            char drain[4096];
            ssize_t got = recv(clients[i], drain, sizeof drain, MSG_DONTWAIT);
            bool closed = got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
            if (!closed && kind_ != Kind::stall) {
                closed = send(clients[i], piece.data(), piece.size(), MSG_NOSIGNAL) < 0 &&
                         errno != EAGAIN && errno != EWOULDBLOCK;
            }
            if (closed) {
                close(clients[i]);
                clients.erase(clients.begin() + static_cast<long>(i));
            } else {
                ++i;
            }
        }
    }
    for (int client : clients) {
        close(client);
    }
}
