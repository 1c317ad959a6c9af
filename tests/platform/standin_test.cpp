// The stand-in's trace, injected faults, the open-file dialog's answers,
// and its threads, events and critical sections.
#include "platform/native/standin.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"
#include "tests/support/scratch_dir.h"

namespace {

TEST(Trace, OneLinePerCallWithArgumentsAndResult) {
    ScratchDir dir;
    plat::trace_to((dir / "trace.txt").c_str());
    CreateDirectoryA((dir / "x").c_str(), nullptr);
    char out[MAX_PATH];
    PathRelativePathToA(out, "/sim", FILE_ATTRIBUTE_DIRECTORY, "/sim/a.wav", FILE_ATTRIBUTE_NORMAL);
    plat::trace_to(nullptr);
    CreateDirectoryA((dir / "y").c_str(), nullptr);
    EXPECT_EQ(read_file(dir / "trace.txt"),
              "CreateDirectoryA \"" + (dir / "x") + "\" -> 1\n" +
                  "PathRelativePathToA \"/sim\" 16 \"/sim/a.wav\" 128 -> 1 \"./a.wav\"\n");
}

TEST(Faults, NamedCallsFailUntilCleared) {
    ScratchDir dir;
    dir.enter();
    plat::faults_set("PathFileExistsA,CreateDirectoryA");
    EXPECT_FALSE(PathFileExistsA("."));
    EXPECT_FALSE(CreateDirectoryA("made", nullptr));
    EXPECT_TRUE(PathIsDirectoryA("."));
    plat::faults_set("*");
    EXPECT_FALSE(PathIsDirectoryA("."));
    plat::faults_set(nullptr);
    EXPECT_TRUE(PathFileExistsA("."));
}

struct Worker {
    HANDLE go;
    CRITICAL_SECTION section;
    int counted;
    HMODULE module;
};

DWORD WINAPI work(LPVOID data) {
    auto* worker = static_cast<Worker*>(data);
    WaitForSingleObject(worker->go, INFINITE);
    EnterCriticalSection(&worker->section);
    EnterCriticalSection(&worker->section);  // a section is the thread's again and again
    ++worker->counted;
    LeaveCriticalSection(&worker->section);
    LeaveCriticalSection(&worker->section);
    if (worker->module != nullptr) {
        FreeLibraryAndExitThread(worker->module, 0);
    }
    return 0;
}

TEST(Threads, BehaveAsThePlatformsDo) {
    HANDLE automatic = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 20), WAIT_TIMEOUT) << "the wait reset it";
    HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0) << "until ResetEvent";
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    // A wait for any of several: the first signalled, taken; never all.
    HANDLE both[2] = {manual, automatic};
    SetEvent(automatic);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 20), WAIT_TIMEOUT) << "the wait reset it";
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_FAILED);

    // The thread's handle is signalled when it has ended; a thread that
    // frees its module with its end lets the module go.
    Worker worker{automatic, {}, 0, LoadLibraryA(MODULE_STUB_PATH)};
    ASSERT_NE(worker.module, nullptr);
    InitializeCriticalSection(&worker.section);
    HANDLE thread = CreateThread(nullptr, 0, work, &worker, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT) << "it waits for its event";
    SetEvent(automatic);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(worker.counted, 1);
    EXPECT_EQ(dlopen(MODULE_STUB_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr);
    DeleteCriticalSection(&worker.section);

    for (HANDLE handle : {thread, automatic, manual}) {
        EXPECT_TRUE(CloseHandle(handle));
        EXPECT_FALSE(CloseHandle(handle)) << "closed once";
    }
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
    plat::faults_set("CreateThread,CreateEventA");
    EXPECT_EQ(CreateThread(nullptr, 0, work, &worker, 0, nullptr), nullptr);
    EXPECT_EQ(CreateEventA(nullptr, FALSE, FALSE, nullptr), nullptr);
    plat::faults_set(nullptr);
}

class Dialog : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::dialog_clear();
        memset(&ofn, 0, sizeof ofn);
        ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
        ofn.lpstrFile = path;
        ofn.nMaxFile = sizeof path;
        ofn.lpstrFileTitle = title;
        ofn.nMaxFileTitle = sizeof title;
        ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    }
    OPENFILENAMEA ofn;
    char path[256] = "";
    char title[256] = "";
};

TEST_F(Dialog, QueuedAnswersComeInOrder) {
    ScratchDir dir;
    write_file(dir / "Music/Rain.mp3", "x");
    plat::dialog_answer((dir / "Music/Rain.mp3").c_str());
    plat::dialog_cancel();
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(std::string(path), dir / "Music/Rain.mp3");
    EXPECT_STREQ(title, "Rain.mp3");
    EXPECT_STREQ(path + ofn.nFileOffset, "Rain.mp3");
    EXPECT_FALSE(GetOpenFileNameA(&ofn)) << "then the cancel";
}

TEST_F(Dialog, RefusesWhatCannotBeChosenOrDoesNotFit) {
    ScratchDir dir;
    plat::dialog_answer((dir / "missing.wav").c_str());
    EXPECT_FALSE(GetOpenFileNameA(&ofn)) << "the file must exist";

    std::string long_name = std::string(250, 'l') + ".wav";
    write_file(dir / long_name, "x");
    plat::dialog_answer((dir / long_name).c_str());
    EXPECT_FALSE(GetOpenFileNameA(&ofn)) << "a path past the buffer";

    ofn.lStructSize = 12;
    plat::dialog_answer((dir / long_name).c_str());
    EXPECT_FALSE(GetOpenFileNameA(&ofn)) << "an unknown record size";
}

}  // namespace
