// The stand-in's trace, injected faults and the open-file dialog's answers.
#include "platform/native/standin.h"

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
