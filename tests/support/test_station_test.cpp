// The loopback stations and hostile servers the stream tests rely on: a
// station is heard through GStreamer's HTTP source as the radio hears it
// (its tone, its titles, its drops and returns), and each hostile server
// misbehaves as it says.
#include "tests/support/test_station.h"

#include <gst/gst.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "tests/support/captured_audio.h"
#include "tests/support/hostile_server.h"
#include "tests/support/loopback_http.h"

namespace {

struct Heard {
    CapturedAudio audio;
    std::string title;   // the last title tag
    bool ended = false;  // the stream ended or failed before the time was up
};

// Listens to url for the given seconds, running `midway` one second in.
Heard listen_to(const std::string& url, double seconds, const std::function<void()>& midway = {}) {
    gst_init(nullptr, nullptr);
    ScratchDir dir;
    std::string wav = dir / "heard.wav";
    GstElement* pipeline = gst_parse_launch(
        ("souphttpsrc location=" + url +
         " iradio-mode=true ! icydemux ! decodebin ! audioconvert ! audioresample ! "
         "audio/x-raw,format=S16LE,channels=1,rate=22050 ! wavenc ! filesink location=" +
         wav)
            .c_str(),
        nullptr);
    Heard heard;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    bool midway_done = !midway;
    while (!heard.ended && elapsed() < seconds) {
        double until = midway_done ? seconds : 1.0;
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, GstClockTime(std::max(0.0, until - elapsed()) * GST_SECOND),
            GstMessageType(GST_MESSAGE_TAG | GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
        if (!midway_done && elapsed() >= 1.0) {
            midway();
            midway_done = true;
        }
        if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_TAG) {
            GstTagList* tags = nullptr;
            gchar* title = nullptr;
            gst_message_parse_tag(message, &tags);
            if (gst_tag_list_get_string(tags, GST_TAG_TITLE, &title)) {
                heard.title = title;
                g_free(title);
            }
            gst_tag_list_unref(tags);
        } else if (message) {
            heard.ended = true;
        }
        if (message) {
            gst_message_unref(message);
        }
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(pipeline);
    heard.audio = read_captured_audio(wav);
    return heard;
}

}  // namespace

TEST(TestStation, IsHeardWithItsToneAndTitlesAndComesBackAfterDrops) {
    TestStation station({{"/radio.mp3", 440}, {"/jazz.mp3", 660}});
    ASSERT_TRUE(station.start()) << station.logs();
    ASSERT_TRUE(station.set_title("Miles Davis - So What"));

    // Each mount its own tone; a new title reaches a listener as a tag.
    Heard first = listen_to(station.url(0), 2.5, [&] { station.set_title("Chet Baker - Alone"); });
    EXPECT_NEAR(first.audio.slice(0.5, 2).dominant_frequency(), 440, 10);
    EXPECT_EQ(first.title, "Chet Baker - Alone");
    EXPECT_FALSE(first.ended);
    EXPECT_NEAR(listen_to(station.url(1), 1.5).audio.slice(0.5, 1.5).dominant_frequency(), 660, 10);

    // A source that stops ends its listeners' stream; it comes back with its title.
    EXPECT_TRUE(listen_to(station.url(0), 5, [&] { station.stop_source(); }).ended);
    ASSERT_TRUE(station.restart_source()) << station.logs();
    EXPECT_EQ(listen_to(station.url(0), 1.5).title, "Chet Baker - Alone");

    // The whole server: the port refuses, then the same URL plays again.
    station.stop();
    EXPECT_EQ(loopback_connect(station.port()), -1);
    ASSERT_TRUE(station.restart()) << station.logs();
    Heard back = listen_to(station.url(0), 2);
    EXPECT_NEAR(back.audio.slice(0.5, 2).dominant_frequency(), 440, 10);
    EXPECT_EQ(back.title, "Chet Baker - Alone");
}

TEST(TestStation, HostileServersMisbehaveAsTheySay) {
    using Kind = HostileServer::Kind;
    const std::string audio_head = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n";

    HostileServer garbage(Kind::garbage);
    std::string reply = loopback_get(garbage.port(), "/radio.mp3", 32768, 5);
    EXPECT_EQ(reply.compare(0, audio_head.size(), audio_head), 0);
    EXPECT_GT(ok_body(reply).size(), 30000u);  // it keeps coming

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
