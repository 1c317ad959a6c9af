#include "tests/support/loopback_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

int listen_on_loopback(int port, int backlog) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = loopback(port);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, backlog) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        return -1;
    }
    return fd;
}

int free_loopback_port() {
    int fd = listen_on_loopback(0, 1);
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

int loopback_connect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(port);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string loopback_exchange(int port, const std::string& request, size_t want,
                              double timeout_seconds) {
    std::string reply;
    int fd = loopback_connect(port);
    if (fd < 0 || send(fd, request.data(), request.size(), MSG_NOSIGNAL) < 0) {
        if (fd >= 0) {
            close(fd);
        }
        return reply;
    }
    auto end = std::chrono::steady_clock::now() +
               std::chrono::milliseconds(static_cast<long>(timeout_seconds * 1000));
    char buffer[16384];
    while (reply.size() < want) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        end - std::chrono::steady_clock::now())
                        .count();
        pollfd waiting{fd, POLLIN, 0};
        if (left <= 0 || poll(&waiting, 1, static_cast<int>(left)) <= 0) {
            break;
        }
        ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        reply.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return reply;
}

std::string loopback_get(int port, const std::string& target, size_t want, double timeout_seconds,
                         const std::string& headers) {
    return loopback_exchange(
        port, "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" + headers + "\r\n", want,
        timeout_seconds);
}

std::string ok_body(const std::string& response) {
    size_t end = response.find("\r\n\r\n");
    if (response.compare(0, 9, "HTTP/1.0 ") != 0 && response.compare(0, 9, "HTTP/1.1 ") != 0) {
        return "";
    }
    if (response.compare(9, 3, "200") != 0 || end == std::string::npos) {
        return "";
    }
    return response.substr(end + 4);
}
