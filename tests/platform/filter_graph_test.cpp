// The filter graph stand-in as COM: one object behind every interface,
// alive while any reference is, holding the files it rendered as Windows'
// source filters do.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32.h"
#include "tests/audio/listening.h"

namespace {

std::u16string wide(const std::string& path) {
    return std::u16string(path.begin(), path.end());
}

// The children of that name (any, if empty) of this process or another.
std::vector<pid_t> children_named(const std::string& name, const std::string& of = "self") {
    std::vector<pid_t> found;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + of + "/task")) {
        std::ifstream list(task.path() / "children");
        for (pid_t child; list >> child;) {
            std::ifstream comm("/proc/" + std::to_string(child) + "/comm");
            std::string command;
            if (std::getline(comm, command) && (name.empty() || command == name)) {
                found.push_back(child);
            }
        }
    }
    return found;
}

IGraphBuilder* new_graph() {
    IGraphBuilder* graph = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&graph)),
              S_OK);
    return graph;
}

TEST(FilterGraph, LivesWhileAnyInterfaceIsHeldAndHoldsItsFiles) {
    ScratchDir dir;
    std::filesystem::copy_file(source_file("tests/fixtures/tone.wav"), dir / "tone.wav");
    std::u16string wide = ::wide(dir / "tone.wav");
    CoInitialize(nullptr);
    IGraphBuilder* graph = new_graph();
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->RenderFile(wide.c_str(), nullptr), S_OK);
    IBasicAudio* audio = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio)), S_OK);
    EXPECT_EQ(audio->put_Volume(-10001), E_INVALIDARG);
    IUnknown* nothing = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(graph->QueryInterface(IID_IDirectSound8, reinterpret_cast<void**>(&nothing)),
              E_NOINTERFACE);
    EXPECT_EQ(nothing, nullptr);

    EXPECT_EQ(graph->Release(), 1u) << "the audio interface still holds it";
    EXPECT_FALSE(DeleteFileA((dir / "tone.wav").c_str())) << "its source still reads the file";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(audio->Release(), 0u);
    EXPECT_TRUE(DeleteFileA((dir / "tone.wav").c_str()));

    // A file that is not there, a folder, and what nothing can decode.
    graph = new_graph();
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->RenderFile(wide.c_str(), nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(graph->RenderFile(u"/", nullptr), E_ACCESSDENIED);
    std::string noise = source_file("tests/fixtures/noise.bin");
    EXPECT_EQ(graph->RenderFile(::wide(noise).c_str(), nullptr), VFW_E_UNSUPPORTED_STREAM);
    // Its parser goes round for ever: the test gives up on it, and no
    // process of ours is left turning.
    std::string looping = source_file("tests/fixtures/looping.mid");
    EXPECT_EQ(graph->RenderFile(::wide(looping).c_str(), nullptr), VFW_E_CANNOT_RENDER);
    EXPECT_EQ(graph->Release(), 0u);
    CoUninitialize();
}

// RenderFile answers at a file's first audio, while the file tester goes
// on decoding the rest; none of it is played before that has ended well. A
// long file (eleven minutes) plays once it has. A file whose reading stops
// half way (a pipe that sends part of an MP3 file, then nothing, as a share
// that went away) is taken, never heard, and its graph aborts.
TEST(FilterGraph, AFileIsPlayedOnlyOnceItHasBeenDecodedToItsEnd) {
    CaptureSink sink;
    std::string stalls = sink.dir() / "stalls.mp3";
    ASSERT_EQ(mkfifo(stalls.c_str(), 0600), 0);
    int writer = open(stalls.c_str(), O_RDWR);
    std::string music = read_file(source_file("Sound/pad.mp3"));
    ASSERT_EQ(write(writer, music.data(), 32768), 32768);
    std::ofstream long_file(sink.dir() / "long.mp3", std::ios::binary);
    for (int i = 0; i < 150; ++i) {
        long_file << music;
    }
    long_file.close();
    CoInitialize(nullptr);
    for (const char* name : {"long.mp3", "stalls.mp3"}) {
        SCOPED_TRACE(name);
        bool plays = name == std::string("long.mp3");
        IGraphBuilder* graph = new_graph();
        ASSERT_NE(graph, nullptr);
        EXPECT_EQ(graph->RenderFile(wide(sink.dir() / name).c_str(), nullptr), S_OK);
        std::vector<pid_t> testers = children_named("skytune-filetes");
        ASSERT_EQ(testers.size(), 1u);
        EXPECT_FALSE(children_named("", std::to_string(testers[0])).empty()) << "still decoding";
        IMediaControl* control = nullptr;
        IMediaEventEx* events = nullptr;
        graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
        graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&events));
        EXPECT_EQ(control->Run(), S_OK);
        long code = 0;
        LONG_PTR param = 0;
        if (plays) {
            EXPECT_TRUE(listen_until([&sink] { return sink.sounding("media"); }, 60));
        } else {
            EXPECT_EQ(events->GetEvent(&code, &param, &param, 60000), S_OK);
            EXPECT_EQ(code, EC_ERRORABORT);
        }
        EXPECT_TRUE(children_named("", std::to_string(testers[0])).empty());
        control->Stop();
        events->Release();
        control->Release();
        graph->Release();
        EXPECT_EQ(sink.heard("media").size(), 1u) << "the long file's play alone";
    }
    CoUninitialize();
    close(writer);
}

// The file tester is a process of its own, which holds nothing of the
// host's (its descriptors, such as a sound device's, nor the stand-in's
// switches); when something kills it, the next file is tested by a new one.
TEST(FilterGraph, AFileTesterThatDiedIsReplaced) {
    ScratchDir dir;
    int inheritable = open("/dev/null", O_RDONLY);
    setenv("SKYTUNE_AUDIO", "wav:/nowhere", 1);
    CoInitialize(nullptr);
    for (const char* name : {"one.wav", "two.wav"}) {
        std::filesystem::copy_file(source_file("tests/fixtures/tone.wav"), dir / name);
        IGraphBuilder* graph = new_graph();
        ASSERT_NE(graph, nullptr);
        EXPECT_EQ(graph->RenderFile(wide(dir / name).c_str(), nullptr), S_OK) << name;
        graph->Release();
        std::vector<pid_t> testers = children_named("skytune-filetes");
        ASSERT_EQ(testers.size(), 1u);
        std::string proc = "/proc/" + std::to_string(testers[0]);
        // Beside its standard three, only the pipes of the children still
        // decoding the files to their end.
        for (const auto& fd : std::filesystem::directory_iterator(proc + "/fd")) {
            if (std::stoi(fd.path().filename()) > 2) {
                EXPECT_EQ(std::filesystem::read_symlink(fd).string().rfind("pipe:", 0), 0u);
            }
        }
        EXPECT_EQ(read_file(proc + "/environ").find("SKYTUNE_"), std::string::npos);
        kill(testers[0], SIGKILL);
    }
    CoUninitialize();
    unsetenv("SKYTUNE_AUDIO");
    close(inheritable);
}

// A file is decoded once while it stays the same; one rewritten in place is
// tried again, whichever way it changed.
TEST(FilterGraph, AFileChangedSinceItsTestIsTestedAgain) {
    ScratchDir dir;
    std::string path = dir / "preset.wav";
    std::filesystem::copy_file(source_file("tests/fixtures/tone.wav"), path);
    CoInitialize(nullptr);
    IGraphBuilder* graph = new_graph();
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->RenderFile(wide(path).c_str(), nullptr), S_OK);
    graph->Release();

    // The same length, other bytes: only the time it was written tells.
    auto size = std::filesystem::file_size(path);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << std::string(size, 'x');
    }
    graph = new_graph();
    EXPECT_TRUE(FAILED(graph->RenderFile(wide(path).c_str(), nullptr)));
    graph->Release();

    std::filesystem::copy_file(source_file("tests/fixtures/tone.mp3"), path,
                               std::filesystem::copy_options::overwrite_existing);
    graph = new_graph();
    EXPECT_EQ(graph->RenderFile(wide(path).c_str(), nullptr), S_OK);
    graph->Release();
    CoUninitialize();
}

// The MIDI parser starts streaming on its own thread while the test of the
// file is still linking its output; every copy of a good file passes, each
// tested afresh.
TEST(FilterGraph, EveryFreshMidiFileIsAccepted) {
    ScratchDir dir;
    CoInitialize(nullptr);
    int refused = 0;
    for (int i = 0; i < 150; ++i) {
        std::string path = dir / ("tune" + std::to_string(i) + ".mid");
        std::filesystem::copy_file(source_file("tests/fixtures/tone.mid"), path);
        IGraphBuilder* graph = new_graph();
        ASSERT_NE(graph, nullptr);
        refused += graph->RenderFile(wide(path).c_str(), nullptr) != S_OK;
        graph->Release();
    }
    EXPECT_EQ(refused, 0);
    CoUninitialize();
}

// The graph keeps to its reference clock as DirectShow's does: run at a
// time, its file sounds from then; paused, it resumes where it was, the
// pause heard as silence; paused at its end, rewound and run at a time, it
// sounds whole again from that time. Nothing is lost or heard twice.
TEST(FilterGraph, KeepsToItsClockAcrossPausesAndRunsAtATime) {
    CaptureSink sink;
    CoInitialize(nullptr);
    IGraphBuilder* graph = new_graph();
    ASSERT_EQ(graph->RenderFile(wide(source_file("tests/fixtures/tone.wav")).c_str(), nullptr),
              S_OK);
    IMediaControl* control = nullptr;
    IMediaFilter* filter = nullptr;
    IMediaSeeking* seeking = nullptr;
    IMediaEventEx* events = nullptr;
    IReferenceClock* clock = nullptr;
    graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
    graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking));
    graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&events));
    ASSERT_EQ(graph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&filter)), S_OK);
    ASSERT_EQ(filter->GetSyncSource(&clock), S_OK);
    auto now = [clock] {
        REFERENCE_TIME time = 0;
        EXPECT_EQ(clock->GetTime(&time), S_OK);
        return time;
    };
    auto ended = [events] {
        long code = 0;
        LONG_PTR param = 0;
        return events->GetEvent(&code, &param, &param, 5000) == S_OK && code == EC_COMPLETE;
    };
    EXPECT_EQ(control->Pause(), S_OK);
    EXPECT_EQ(filter->Run(now() + 1000000), S_OK);
    listen(0.3);
    EXPECT_EQ(control->Pause(), S_OK);
    listen(0.2);
    EXPECT_EQ(control->Run(), S_OK);
    EXPECT_TRUE(ended());
    LONGLONG length = 0;
    EXPECT_EQ(seeking->GetDuration(&length), S_OK);
    EXPECT_EQ(length, 4000000);
    listen(0.1);
    LONGLONG start = 0;
    EXPECT_EQ(control->Pause(), S_OK);
    EXPECT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                    AM_SEEKING_NoPositioning),
              S_OK);
    EXPECT_EQ(filter->Run(now() + 1000000), S_OK);
    EXPECT_TRUE(ended());
    listen(0.1);
    control->Stop();
    for (IUnknown* held :
         std::initializer_list<IUnknown*>{clock, filter, seeking, events, control, graph}) {
        held->Release();
    }
    CoUninitialize();
    CapturedAudio heard = sounding(sink.all("media"));
    std::vector<CapturedAudio::Quiet> quiets = heard.silences(0.01);
    ASSERT_EQ(quiets.size(), 2u);
    EXPECT_GE(quiets[0].length, 0.19) << "the pause";
    EXPECT_GE(quiets[1].length, 0.15) << "0.1 s after the end, then 0.1 s to the run";
    EXPECT_NEAR(heard.seconds() - quiets[0].length - quiets[1].length, 0.8, 0.005);
}

// Streams start on the graph worker, on MCI commands and on the sound
// device's thread: each gets a capture file of its own.
TEST(AudioSink, StreamsStartedOnSeveralThreadsGetFilesOfTheirOwn) {
    ScratchDir dir;
    ASSERT_TRUE(plat::set_audio_sink(("wav:" + dir / "capture").c_str()));
    std::vector<std::vector<std::string>> names(4);
    std::vector<std::thread> threads;
    for (auto& mine : names) {
        threads.emplace_back([&mine] {
            for (int i = 0; i < 200; ++i) {
                mine.push_back(plat::audio_capture_path("media"));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::set<std::string> distinct;
    for (const auto& mine : names) {
        distinct.insert(mine.begin(), mine.end());
    }
    EXPECT_EQ(distinct.size(), 800u);
    plat::set_audio_sink("null");
}

}  // namespace
