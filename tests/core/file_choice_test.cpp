// What the radio asks the open-file dialog for.
#include "core/file_choice.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/radio_state.h"
#include "platform/native/standin.h"
#include "tests/support/scratch_dir.h"

namespace {

TEST(FileChoice, AsksWithTheRadiosTitleFolderAndFlagsAndCancelKeepsTheFolder) {
    ScratchDir dir;
    write_file(dir / "Music/Rain.mp3", "x");
    strcpy(browse_folder, ".\\Sound\\");
    plat::dialog_answer((dir / "Music/Rain.mp3").c_str());
    plat::trace_to((dir / "trace.txt").c_str());
    EXPECT_EQ(choose_audio_file(), 1);
    plat::trace_to(nullptr);
    EXPECT_NE(read_file(dir / "trace.txt")
                  .find("GetOpenFileNameA \"Select Audio File\" \".\\Sound\\\" 137229 -> 1"),
              std::string::npos);
    EXPECT_STREQ(dialog_title, "Rain.mp3");
    EXPECT_EQ(std::string(browse_folder), dir / "Music/");

    // The next ask starts from an empty answer (a stale one would be the
    // dialog's initial file name); a cancel keeps the folder.
    plat::dialog_cancel();
    EXPECT_EQ(choose_audio_file(), 0);
    EXPECT_STREQ(dialog_path, "");
    EXPECT_EQ(std::string(browse_folder), dir / "Music/");
}

}  // namespace
