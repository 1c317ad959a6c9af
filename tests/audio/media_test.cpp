// The media player, listened to (each format heard once: formats_test.cpp):
// every format loops from its start, follows the volume, and a failing
// platform call leaves it silent while the rest keeps working. The player
// thread does the work; the test lives as the panel's thread does, and
// reads what the thread reports.
#include "audio/media.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio/media_graph.h"
#include "platform/native/com_classes.h"
#include "tests/audio/listening.h"

namespace {

namespace fs = std::filesystem;

std::string fixture(const char* name) {
    return source_file(std::string("tests/fixtures/") + name);
}

class Media : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::faults_set(nullptr);
        temp_ = sink_.dir() / "temp";
        fs::create_directories(temp_);
        setenv("TMPDIR", temp_.c_str(), 1);
        CoInitialize(nullptr);
        media_init(nullptr, 0, 0, 0, 0);
    }
    void TearDown() override {
        plat::faults_set(nullptr);
        media_shutdown();
        CoUninitialize();
        unsetenv("TMPDIR");
    }
    // Plays a file once or in a loop for a while from its start, then stops.
    void play_for(MediaHandle handle, int loop, double seconds) {
        media_play(handle, loop);
        settle();
        listen(seconds);
        media_stop();
        settle();
    }
    // The graph's own event sink, as a filter reports to it; taken while the
    // thread waits.
    IMediaEventSink* event_sink() {
        settle();
        IMediaEventSink* sink = nullptr;
        media_player.graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink));
        return sink;
    }
    bool reported(int32_t plays, double seconds = 30) {
        return listen_until([plays] { return reported_plays() == plays; }, seconds);
    }
    int temp_files() const {
        return static_cast<int>(std::distance(fs::directory_iterator(temp_), {}));
    }

    CaptureSink sink_;
    std::string temp_;
};

TEST_F(Media, LoopingPlaysTheFileWholeAgainFromItsStart) {
    std::string path = fixture("tone.wav");
    media_set_volume(0);
    play_for(media_open(path.c_str()), 1, 1.35);
    CapturedAudio heard = sounding(sink_.all("media"));
    // 0.4 s a pass: 440 Hz, then 880 Hz, again and again, each whole, with
    // a moment between them (the loop's restart, a hundredth of a second).
    std::vector<CapturedAudio::Quiet> loops = heard.silences(0.001);
    ASSERT_GE(loops.size(), 2u);
    double from = 0;
    for (const CapturedAudio::Quiet& loop : loops) {
        CapturedAudio pass = heard.slice(from, loop.at);
        EXPECT_NEAR(pass.seconds(), 0.4, 0.005) << from;
        EXPECT_NEAR(pass.slice(0.03, 0.17).dominant_frequency(300, 1000), 440, 10) << from;
        EXPECT_NEAR(pass.slice(0.23, 0.37).dominant_frequency(300, 1000), 880, 10) << from;
        EXPECT_LT(loop.length, 0.05) << from;
        from = loop.at + loop.length;
    }
}

TEST_F(Media, EveryFormatLoops) {
    media_set_volume(0);
    for (const char* name : {"tone.mp3", "tone.wma", "tone.mid"}) {
        SCOPED_TRACE(name);
        std::string path = fixture(name);
        play_for(media_open(path.c_str()), 1, 1.0);
        CapturedAudio heard = sounding(sink_.heard("media").back(), 0.005f);
        // More than one pass of about half a second, with no more between
        // passes than the codec's own padding (the MP3's, 0.05 s) and the
        // loop's restart.
        EXPECT_GT(heard.seconds(), 0.8);
        EXPECT_LT(heard.longest_silence(0.005), 0.15);
    }
}

// An event handle that says events wait when none can be read is looked
// at now and then instead: the end that came meanwhile is read once it can
// be, and the file loops on.
TEST_F(Media, AnEndThatCouldNotBeReadLoopsOnceItIsRead) {
    std::string path = fixture("tone.wav");
    media_set_volume(0);
    plat::faults_set("IMediaEventEx::GetEvent");
    media_play(media_open(path.c_str()), 1);
    settle();
    listen(0.6);
    plat::faults_set(nullptr);
    listen(0.8);
    media_stop();
    settle();
    EXPECT_GT(sounding(sink_.all("media")).seconds(), 1.0) << "heard again after the first pass";
}

TEST_F(Media, VolumeIsHundredthsOfADecibel) {
    std::string path = fixture("tone.wav");
    MediaHandle handle = media_open(path.c_str());
    // Set while nothing plays: kept for the next play.
    for (VolumeLevel level : {0, -2000, -10000, -12000}) {
        media_set_volume(level);
        play_for(handle, 0, 0.3);
    }
    EXPECT_EQ(media_panel.volume, -10000);
    std::vector<CapturedAudio> heard = sink_.heard("media");
    ASSERT_EQ(heard.size(), 4u);
    double full = heard[0].slice(0.02, 0.18).rms();
    ASSERT_GT(full, 0.2);
    EXPECT_NEAR(heard[1].slice(0.02, 0.18).rms() / full, 0.1, 0.01);
    EXPECT_LT(heard[2].peak(), 1e-4);
    EXPECT_LT(heard[3].peak(), 1e-4);

    // While playing it applies at once; above full it is full.
    media_set_volume(-2000);
    media_play(handle, 1);
    settle();
    listen(0.3);
    media_set_volume(250);
    EXPECT_EQ(media_panel.volume, 0);
    listen(0.3);
    media_stop();
    settle();
    CapturedAudio changed = sink_.heard("media")[4];
    EXPECT_NEAR(changed.slice(0.35, 0.55).rms() / changed.slice(0.05, 0.25).rms(), 10, 1.5);
}

TEST_F(Media, UserAbortIsAnEndLikeAnyOther) {
    std::string path = fixture("tone.wav");
    media_set_volume(0);
    media_play(media_open(path.c_str()), 1);
    ASSERT_TRUE(listen_until([this] { return sink_.sounding("media"); }, 10));
    listen(0.1);
    IMediaEventSink* events = event_sink();
    events->Notify(EC_USERABORT, 0, 0);
    listen(0.45);
    media_stop();
    settle();
    // Rewound about 0.1 s after it began to sound (the output runs a
    // little ahead of the clock): the 880 Hz half comes that much late.
    CapturedAudio heard = sounding(sink_.all("media"));
    EXPECT_NEAR(heard.slice(0.22, 0.28).dominant_frequency(300, 1000), 440, 10);
    EXPECT_NEAR(heard.slice(0.38, 0.48).dominant_frequency(300, 1000), 880, 10);

    // Without looping it ends the play, and leaves the graph be; other
    // events before it are only read.
    media_play(media_open(path.c_str()), 0);
    events->Release();
    events = event_sink();
    ASSERT_EQ(reported_plays(), MEDIA_PLAYS_FILE);
    events->Notify(EC_TIME, 0, 0);
    events->Notify(EC_USERABORT, 0, 0);
    EXPECT_TRUE(reported(MEDIA_PLAYS_NOTHING, 0.3)) << "long before the file's own end";
    events->Release();
}

TEST_F(Media, AResourceNameBecomesAResTemporaryFileThatShutdownDeletes) {
    MediaHandle handle = media_open("CLICK_RCD");
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle, media_panel.temp_files.names[0]);
    EXPECT_EQ(media_panel.temp_files.count, 1);
    std::string name = fs::path(handle).filename().string();
    EXPECT_EQ(name.substr(0, 3), "Res");
    EXPECT_EQ(fs::path(handle).parent_path(), fs::path(temp_));
    EXPECT_EQ(read_file(handle), read_file(source_file("resources/click.wav")));
    // The click, played as a preset.
    media_set_volume(0);
    play_for(handle, 0, 0.2);
    EXPECT_GT(sounding(sink_.all("media"), 0.05f).seconds(), 0.004);

    media_shutdown();
    EXPECT_EQ(temp_files(), 0);
    EXPECT_EQ(media_panel.temp_files.count, 0);
    EXPECT_EQ(media_player.graph, nullptr) << "the thread let the graph go before it ended";
    EXPECT_EQ(media_player.video, nullptr);
    media_init(nullptr, 0, 0, 0, 0);
}

TEST_F(Media, WhatCannotPlayFailsItsTestAndMakesNothing) {
    EXPECT_EQ(media_open(std::string(300, 'x').c_str()), nullptr) << "no file's name";
    EXPECT_EQ(media_open("http://127.0.0.1:9/jazz"), nullptr) << "an address alone";
    std::vector<std::string> names = {"No file assigned.", fixture("missing.mp3"),
                                      fixture("noise.bin"), source_file("tests/fixtures")};
    std::vector<MediaHandle> handles;
    for (const std::string& name : names) {
        handles.push_back(media_open(name.c_str()));
        EXPECT_EQ(handles.back(), name.c_str()) << "a handle at once";
        EXPECT_EQ(media_opened(handles.back()), MEDIA_OPEN_PENDING) << name;
    }
    ASSERT_TRUE(settle());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(media_opened(handles[i]), MEDIA_OPEN_FAILED) << names[i];
    }
    // A handle whose test failed plays nothing, and is not tried again.
    media_play(handles[1], 1);
    ASSERT_TRUE(settle());
    EXPECT_EQ(reported_plays(), MEDIA_PLAYS_NOTHING);
    EXPECT_EQ(temp_files(), 0);
    EXPECT_EQ(media_panel.temp_files.count, 0);
    EXPECT_TRUE(sink_.heard("media").empty());
}

TEST_F(Media, APresetFileDeletedAfterItOpenedPlaysNothing) {
    std::string path = sink_.dir() / "gone.wav";
    fs::copy_file(fixture("tone.wav"), path);
    MediaHandle gone = media_open(path.c_str());
    ASSERT_NE(gone, nullptr);
    std::string other = fixture("tone.mp3");
    MediaHandle kept = media_open(other.c_str());
    media_play(kept, 1);  // the graph that read the file goes
    listen_until([this] { return sink_.sounding("media"); }, 30);
    media_stop();
    fs::remove(path);
    media_play(gone, 1);
    ASSERT_TRUE(settle());
    EXPECT_EQ(reported_plays(), MEDIA_PLAYS_NOTHING);
    listen(0.2);
    media_set_volume(-1000);
    media_stop();
    media_play(kept, 1);
    ASSERT_TRUE(settle());
    EXPECT_EQ(reported_plays(), MEDIA_PLAYS_FILE);
    listen(0.3);
    media_stop();
    settle();
    std::vector<CapturedAudio> heard = sink_.heard("media");
    ASSERT_EQ(heard.size(), 2u) << "only the files that are there played";
    EXPECT_GT(heard[1].rms(), 0.05);
}

// Each platform failure that would once have ended the simulator: the play
// it hits stays silent, and the next one, with the platform well, plays.
TEST_F(Media, AFailingCallSilencesThePlayerButNotTheRadio) {
    std::string path = fixture("tone.wav");
    MediaHandle handle = media_open(path.c_str());
    media_set_volume(0);
    ASSERT_TRUE(settle());
    for (const char* failing :
         {"CoCreateInstance", "IUnknown::QueryInterface:IMediaSeeking", "IGraphBuilder::RenderFile",
          "IUnknown::QueryInterface:IVideoWindow", "IMediaEventEx::GetEventHandle",
          "IMediaControl::Pause", "IMediaFilter::Run", "IBasicAudio::put_Volume",
          "IMediaControl::Stop"}) {
        SCOPED_TRACE(failing);
        size_t before = sink_.heard("media").size();
        plat::faults_set(failing);
        media_play(handle, 1);
        ASSERT_TRUE(settle());
        EXPECT_EQ(reported_plays(), MEDIA_PLAYS_NOTHING);
        EXPECT_EQ(media_player.looping, 0);
        media_set_volume(-100);
        media_set_volume(0);
        listen(0.1);
        media_stop();
        settle();
        plat::faults_set(nullptr);
        // A failure after Run may have let a moment out before it stopped.
        std::vector<CapturedAudio> heard = sink_.heard("media");
        for (size_t i = before; i < heard.size(); ++i) {
            EXPECT_LT(sounding(heard[i]).seconds(), 0.05);
        }
        size_t failed = heard.size();
        media_play(handle, 1);
        ASSERT_TRUE(settle());
        EXPECT_EQ(reported_plays(), MEDIA_PLAYS_FILE);
        listen(0.15);
        media_stop();
        settle();
        heard = sink_.heard("media");
        ASSERT_EQ(heard.size(), failed + 1);
        EXPECT_GT(heard.back().rms(), 0.1);
    }
}

TEST_F(Media, FailuresWhilePlayingOrStoppingLeaveItSilent) {
    std::string path = fixture("tone.wav");
    MediaHandle handle = media_open(path.c_str());
    media_set_volume(0);
    media_play(handle, 1);
    settle();
    listen(0.15);
    plat::faults_set("IBasicAudio::put_Volume");
    media_set_volume(-500);
    ASSERT_TRUE(settle());
    EXPECT_EQ(reported_plays(), MEDIA_PLAYS_NOTHING);
    EXPECT_EQ(media_panel.volume, -500);
    listen(0.4);
    plat::faults_set("IMediaControl::Stop");
    media_play(handle, 1);
    media_stop();
    ASSERT_TRUE(settle());
    EXPECT_EQ(media_player.graph, nullptr) << "a graph that will not stop is let go";
    plat::faults_set(nullptr);
    // Opening and playing make a new graph.
    EXPECT_EQ(media_open(path.c_str()), path.c_str());
    media_play(handle, 1);
    listen(0.2);
    media_stop();
    settle();
    std::vector<CapturedAudio> heard = sink_.heard("media");
    ASSERT_EQ(heard.size(), 2u);
    // Heard for 0.15 s (and what the output had taken in), not 0.55 s.
    EXPECT_LT(heard[0].seconds(), 0.35) << "stopped when the volume failed";
    EXPECT_GT(heard[1].rms(), 0.1);
}

TEST_F(Media, NoGraphAtStartLeavesEveryOperationHarmless) {
    media_shutdown();
    plat::faults_set("CoCreateInstance");
    media_init(nullptr, 0, 0, 0, 0);
    std::string path = fixture("tone.wav");
    MediaHandle handle = media_open(path.c_str());
    MediaHandle click = media_open("CLICK_RCD");
    media_play(path.c_str(), 1);
    media_set_volume(-100);
    media_stop();
    ASSERT_TRUE(settle());
    EXPECT_EQ(media_player.graph, nullptr);
    EXPECT_EQ(media_opened(handle), MEDIA_OPEN_FAILED);
    EXPECT_EQ(media_opened(click), MEDIA_OPEN_FAILED);
    EXPECT_EQ(reported_plays(), MEDIA_PLAYS_NOTHING);
    plat::faults_set("CreateFileA");
    media_shutdown();
    plat::faults_set(nullptr);
    media_init(nullptr, 0, 0, 0, 0);
    // A temporary file that cannot be written: nothing opens, and the empty
    // file is still cleared away.
    plat::faults_set("CreateFileA");
    EXPECT_EQ(media_open("CLICK_RCD"), nullptr);
    plat::faults_set(nullptr);
    EXPECT_EQ(temp_files(), 1);
    media_shutdown();
    EXPECT_EQ(temp_files(), 0);
    media_init(nullptr, 0, 0, 0, 0);
    EXPECT_TRUE(sink_.heard("media").empty());
}

}  // namespace
