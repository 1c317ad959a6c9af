// Internet radio on a playlist preset, listened to through the capture
// sinks: a loopback station is heard soon after the press and named with
// what it plays; lost, it gives way to static and comes back; a station out
// of reach and servers that misbehave cost the panel's thread nothing, and
// leave nothing running once the radio gives up; a gauge killed while the
// player thread waits on the network is killed at once, and the thread goes
// on to serve the next gauge.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/media.h"
#include "audio/sound.h"
#include "tests/audio/listening.h"
#include "tests/support/hostile_server.h"
#include "tests/support/test_station.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of this process and its reaped children, in seconds.
double cpu_seconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

// The stream readers this process has running.
int readers_running() {
    int count = 0;
    std::string self = std::to_string(getpid());
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state, parent;
        if (stat >> pid >> name >> state >> parent && parent == self &&
            name.rfind("(skytune-stream", 0) == 0) {
            ++count;
        }
    }
    return count;
}

class Stations : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::faults_set(nullptr);
        plat::trace_to(trace_path().c_str());
        sound_init(nullptr);  // and COM
        sound_started_ = Clock::now();
        media_init(nullptr, 0, 0, 0, 0);
        media_set_volume(-1000);
    }
    void TearDown() override {
        media_shutdown();
        sound_shutdown();
        CoUninitialize();
        plat::trace_to(nullptr);
    }
    std::string trace_path() const { return sink_.dir() / "trace.txt"; }

    // A .pls of the addresses with their titles, opened as a preset opens.
    MediaHandle station_list(const std::vector<std::string>& entries) {
        std::string text = "[playlist]\n";
        for (size_t i = 0; i < entries.size(); ++i) {
            size_t bar = entries[i].find('|');
            std::string n = std::to_string(i + 1);
            text += "File" + n + "=" + entries[i].substr(0, bar) + "\n";
            if (bar != std::string::npos) {
                text += "Title" + n + "=" + entries[i].substr(bar + 1) + "\n";
            }
        }
        list_ = sink_.dir() / "stations.pls";
        write_file(list_, text);
        return media_open(list_.c_str());
    }

    // A call from the panel's thread, timed.
    template <class Call>
    void call(Call made) {
        Clock::time_point start = Clock::now();
        made();
        longest_call_ = std::max(longest_call_, seconds_since(start));
    }
    std::string tooltip() {
        std::string text;
        call([&] { text = media_playing_text(list_.c_str(), "stations.pls"); });
        return text;
    }
    // Lives as the panel's thread does (messages, redraws asking the state,
    // a tooltip now and then) until done holds; false when the time runs out.
    template <class Done>
    bool live_until(Done done, double timeout) {
        return listen_until(
            [&] {
                tooltip();
                call([] { plat::pump_messages(); });
                return done();
            },
            timeout);
    }
    bool shows(const std::string& text, double timeout = 10) {
        return live_until([&] { return tooltip() == text; }, timeout);
    }
    // The station's addresses the graph has tried to render.
    size_t renders() const {
        return lines_of(read_file(trace_path()), "IGraphBuilder::RenderFile \"http").size();
    }
    // The static, as the sound device's capture heard it from `from` to `to`
    // seconds after the device started.
    CapturedAudio static_heard(double from, double to) const {
        std::vector<CapturedAudio> heard = sink_.heard("sound");
        return heard.empty() ? CapturedAudio{} : heard[0].slice(from, to);
    }
    double since_sound_started() const { return seconds_since(sound_started_); }

    CaptureSink sink_;
    std::string list_;
    double longest_call_ = 0;
    Clock::time_point sound_started_;
};

// Static: broadband and soft; at the media volume of -10 dB its RMS is
// about 0.01 of full scale.
void expect_static(const CapturedAudio& heard, const char* when) {
    EXPECT_GT(heard.rms(), 0.004) << when;
    EXPECT_LT(heard.rms(), 0.02) << when;
    EXPECT_GT(high_band_share(heard.slice(0, 0.2), 2000), 0.2) << when;
}

TEST_F(Stations, HeardSoonNamedLostToStaticAndBackAgain) {
    TestStation station({{"/jazz.mp3", 440}, {"/rock.mp3", 660}});
    ASSERT_TRUE(station.start()) << station.logs();
    ASSERT_TRUE(station.set_title("Miles Davis - So What"));
    MediaHandle handle =
        station_list({station.url(0) + "|Jazz FM", station.url(1) + "|Rock FM", station.url(0)});
    ASSERT_EQ(handle, list_.c_str());

    auto pressed = std::chrono::system_clock::now();
    call([&] { media_play(handle, 1); });
    EXPECT_TRUE(shows("Jazz FM: Miles Davis - So What")) << tooltip();
    ASSERT_TRUE(live_until([&] { return sink_.sounding("media"); }, 10));
    // When its first audible sample went out, by the capture's own record.
    double first = 0;
    for (const std::string& line : lines_of(read_file(sink_.dir() / "capture/first-sound.txt"))) {
        if (line.rfind("media-", 0) == 0 && first == 0) {
            first = std::stod(line.substr(line.find(' ') + 1));
        }
    }
    double pressed_at = std::chrono::duration<double>(pressed.time_since_epoch()).count();
    EXPECT_LT(first - pressed_at, 1.0) << "the station is heard within a second of the press";

    ASSERT_TRUE(station.set_title("John Coltrane - Naima"));
    EXPECT_TRUE(shows("Jazz FM: John Coltrane - Naima")) << tooltip();

    // The server goes: static and "(no signal)" while the radio retries; the
    // station again when the server is back on its port.
    station.stop();
    ASSERT_TRUE(shows("Jazz FM (no signal)")) << tooltip();
    double lost_at = since_sound_started();
    listen(1.5);
    expect_static(static_heard(lost_at + 0.1, lost_at + 1.4), "while the station is lost");
    ASSERT_TRUE(station.restart());
    EXPECT_TRUE(live_until([] { return media_station_status() == STREAM_PLAYING; }, 40));
    double back_at = since_sound_started();
    listen(1.5);
    EXPECT_LT(static_heard(back_at + 0.1, back_at + 1.4).rms(), 0.002) << "no static once back";

    // The next entry is the other station; an entry without a title is named
    // by its list.
    call([&] { media_step(handle, 1); });
    EXPECT_TRUE(shows("Rock FM")) << tooltip();
    EXPECT_TRUE(live_until([] { return media_station_status() == STREAM_PLAYING; }, 10));
    listen(1.0);
    call([&] { media_step(handle, 1); });
    EXPECT_TRUE(shows("stations.pls: John Coltrane - Naima")) << tooltip();
    listen(1.0);
    call([] { media_stop(); });
    EXPECT_EQ(tooltip(), "stations.pls") << "a stopped station names no entry";

    std::vector<int> tones;
    for (const CapturedAudio& part : sink_.heard("media")) {
        CapturedAudio sound = sounding(part, 0.02f);
        if (sound.seconds() > 0.5) {
            tones.push_back(int(sound.dominant_frequency(200, 1000) / 10 + 0.5) * 10);
        }
    }
    EXPECT_EQ(tones, (std::vector<int>{440, 440, 660, 440}))
        << "jazz before and after the loss, rock, jazz";
    EXPECT_LT(longest_call_, 0.1) << "no call waits on the network";
}

TEST_F(Stations, OutOfReachGivesStaticAndRetriesUntilStopped) {
    HostileServer closed(HostileServer::Kind::closed);
    MediaHandle handle = station_list({closed.url() + "|Jazz FM"});
    ASSERT_NE(handle, nullptr) << "a station is not reached to open its list";
    EXPECT_EQ(renders(), 0u);

    double pressed = since_sound_started();
    call([&] { media_play(handle, 1); });
    ASSERT_TRUE(shows("Jazz FM (no signal)", 5)) << tooltip();
    live_until([] { return false; }, 8);
    // Tried at once, then after 1, 2 and 4 s.
    EXPECT_EQ(renders(), 4u);
    CapturedAudio heard = static_heard(pressed + 0.5, pressed + 8);
    expect_static(heard, "while it cannot be reached");
    call([] { media_set_volume(-2000); });
    listen(1.0);
    double quieter = since_sound_started();
    EXPECT_LT(static_heard(quieter - 0.8, quieter).rms(), heard.rms() / 2)
        << "the static follows the volume";

    call([] { media_stop(); });
    double stopped = since_sound_started();
    listen(1.0);
    EXPECT_LT(static_heard(stopped + 0.05, stopped + 0.9).rms(), 0.0005) << "stopped at once";
    size_t tried = renders();
    listen(2.0);
    EXPECT_EQ(renders(), tried) << "no retry once stopped";
    EXPECT_LT(longest_call_, 0.1);
}

TEST_F(Stations, MisbehavingServersNeverHoldTheRadioNorLeaveItBusy) {
    for (HostileServer::Kind kind :
         {HostileServer::Kind::garbage, HostileServer::Kind::stall,
          HostileServer::Kind::endless_header, HostileServer::Kind::silent}) {
        SCOPED_TRACE(static_cast<int>(kind));
        HostileServer server(kind);
        MediaHandle handle = station_list({server.url() + "|Bad FM"});
        double cpu = cpu_seconds();
        Clock::time_point start = Clock::now();
        call([&] { media_play(handle, 1); });
        EXPECT_TRUE(shows("Bad FM (no signal)", 15)) << tooltip();
        EXPECT_LT(longest_call_, 0.1);
        // Retrying costs the process (and its readers) a small share of a core.
        double busy = (cpu_seconds() - cpu) / seconds_since(start);
        EXPECT_LT(busy, 0.5);
        call([] { media_stop(); });
        EXPECT_EQ(tooltip(), "stations.pls");
    }
    // Given up: once the thread's last try has ended, nothing runs on.
    EXPECT_TRUE(live_until([] { return readers_running() == 0; }, 10));
    listen(0.5);
    double cpu = cpu_seconds();
    listen(2.0);
    EXPECT_LT(cpu_seconds() - cpu, 0.2) << "idle once the radio has given up";
    EXPECT_EQ(sink_.heard("media").size(), 0u) << "nothing of the garbage is played";
}

TEST_F(Stations, AGaugeKilledWhileTheThreadWaitsIsKilledAtOnce) {
    HostileServer silent(HostileServer::Kind::silent);
    TestStation station;
    ASSERT_TRUE(station.start()) << station.logs();
    call([&] { media_play(station_list({silent.url() + "|Dead FM"}), 1); });
    listen(0.5);
    call([] { media_shutdown(); });
    EXPECT_LT(longest_call_, 1.0) << "pre-kill waits a short time only";

    // The next gauge in the same process: the thread, once the network has
    // let it go, plays its station and never the old one.
    media_init(nullptr, 0, 0, 0, 0);
    call([&] { media_play(station_list({station.url() + "|Jazz FM"}), 1); });
    EXPECT_TRUE(live_until([] { return media_station_status() == STREAM_PLAYING; }, 15));
    EXPECT_EQ(tooltip(), "Jazz FM");
    listen(1.0);
    media_stop();
    settle();
    ASSERT_FALSE(sink_.heard("media").empty());
    EXPECT_NEAR(sounding(sink_.heard("media").back()).dominant_frequency(), 440, 10);
}

}  // namespace
