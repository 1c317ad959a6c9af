// The hostile servers the stream tests rely on each misbehave as they say:
// one that answered well would let those tests pass without a fault to meet.
// The loopback stations are heard by the stream tests themselves.
#include "tests/support/hostile_server.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include "tests/support/loopback_http.h"

TEST(HostileServer, EachMisbehavesAsItSays) {
    using Kind = HostileServer::Kind;
    const std::string audio_head = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n";

    HostileServer garbage(Kind::garbage);
    std::string reply = loopback_get(garbage.port(), "/radio.mp3", 32768, 5);
    EXPECT_EQ(reply.compare(0, audio_head.size(), audio_head), 0);
    EXPECT_GT(ok_body(reply).size(), 30000u);  // it keeps coming

    HostileServer aac(Kind::aac);
    reply = loopback_get(aac.port(), "/radio.mp3", 8192, 5);
    EXPECT_EQ(reply.rfind("HTTP/1.0 200 OK\r\nContent-Type: audio/aacp\r\n\r\n", 0), 0u);
    HostileServer loop(Kind::redirect);
    EXPECT_EQ(loopback_get(loop.port(), "/radio.mp3", 4096, 1),
              "HTTP/1.0 302 Found\r\nLocation: " + loop.url() + "\r\n\r\n");

    HostileServer stall(Kind::stall);
    EXPECT_EQ(loopback_get(stall.port(), "/radio.mp3", 65536, 1), audio_head + "\r\n");

    HostileServer endless(Kind::endless_header);
    reply = loopback_get(endless.port(), "/radio.mp3", 16384, 5);
    EXPECT_GE(reply.size(), 16384u);
    EXPECT_EQ(reply.find("\r\n\r\n"), std::string::npos);

    EXPECT_EQ(loopback_connect(HostileServer(Kind::closed).port()), -1);
    HostileServer silent(Kind::silent);
    int fd = loopback_connect(silent.port());
    ASSERT_GE(fd, 0);
    pollfd answer{fd, POLLIN, 0};
    EXPECT_EQ(poll(&answer, 1, 300), 0);
    close(fd);
}
