// The settings file: where it lives, what it reads and what it writes.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <set>
#include <string>

#include "core/presets.h"
#include "core/radio_state.h"
#include "core/settings_file.h"
#include "platform/native/standin.h"
#include "tests/fakes/recording_backends.h"
#include "tests/support/radio_reset.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stub_module.h"

namespace {

std::string repeat_lines(const std::string& line, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += line + "\n";
    }
    return text;
}

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_radio();
        dir.enter();
    }

    // Loads the settings of a module at dir/Gauges/<name>.
    void load(const std::string& name = "skytune.gau") {
        module = std::make_unique<StubModule>(dir / ("Gauges/" + name));
        ASSERT_NE(module->handle(), nullptr);
        settings_load(module->handle());
    }

    std::string settings_file() { return dir / "Gauges/skytune.dat"; }

    ScratchDir dir;
    std::unique_ptr<StubModule> module;
};

TEST_F(Settings, FirstInstallCreatesTheFileAndSavesTheDefaults) {
    load();
    EXPECT_EQ(read_file(settings_file()), " \n");
    for (const PresetSlot& slot : preset_table.slots) {
        EXPECT_STREQ(slot.file_path, NO_FILE_ASSIGNED);
    }
    presets_open_all();
    for (const PresetSlot& slot : preset_table.slots) {
        EXPECT_STREQ(slot.display_name, NO_FILE_ASSIGNED);
        EXPECT_EQ(slot.media_handle, nullptr);
    }
    EXPECT_EQ(radio_state.media_volume, -2000);
    EXPECT_EQ(radio_state.cd_volume, -8000);

    settings_save();
    EXPECT_EQ(read_file(settings_file()),
              repeat_lines("No file assigned.", 24) + ".\\Sound\\\n 80\n 20\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "Gauges/skytune.txt"));
}

TEST_F(Settings, SavesTheExampleByteForByte) {
    write_file(dir / "Sound/Jazz.mid", "midi");
    load();
    presets_open_all();
    strcpy(preset_table.slots[0].display_name, "Jazz.mid");
    strcpy(preset_table.slots[0].file_path, (dir / "Sound/Jazz.mid").c_str());
    strcpy(preset_table.slots[6].display_name, "News.wav");
    strcpy(preset_table.slots[6].file_path, "E:\\Audio\\News.wav");
    strcpy(browse_folder, (dir / "Sound/").c_str());

    settings_save();
    EXPECT_EQ(read_file(settings_file()),
              "Jazz.mid\n./Sound/Jazz.mid\n" + repeat_lines("No file assigned.", 10) +
                  "News.wav\nE:\\Audio\\News.wav\n" + repeat_lines("No file assigned.", 10) +
                  "./Sound/\n 80\n 20\n");

    // And it reads back: the relative path opens against the current folder.
    playable_files.insert("./Sound/Jazz.mid");
    memset(&preset_table, 0, sizeof preset_table);
    strcpy(browse_folder, "elsewhere");
    radio_state.media_volume = radio_state.cd_volume = 0;
    settings_load(module->handle());
    presets_open_all();
    EXPECT_STREQ(preset_table.slots[0].display_name, "Jazz.mid");
    EXPECT_NE(preset_table.slots[0].media_handle, nullptr);
    EXPECT_STREQ(preset_table.slots[6].display_name, FILE_NOT_FOUND);
    EXPECT_STREQ(preset_table.slots[6].saved_name, "News.wav");
    EXPECT_STREQ(browse_folder, "./Sound/");
    EXPECT_EQ(radio_state.media_volume, -2000);
    EXPECT_EQ(radio_state.cd_volume, -8000);
}

TEST_F(Settings, ModuleNameGivesTheFileName) {
    write_file(dir / "Gauges/skytune.dat", repeat_lines("x", 24) + "Sound\n 33\n 44\n");
    load("SKYTUNE.GAU");
    EXPECT_EQ(radio_state.media_volume, -6700) << "SKYTUNE.GAU reads skytune.dat";
    EXPECT_EQ(std::string(settings_path), dir / "Gauges/SKYTUNE.dat");

    module.reset();
    load("skytune.dll");
    EXPECT_TRUE(std::filesystem::exists(dir / "Gauges/skytune.dll.dat"));
}

TEST_F(Settings, VolumeLinesReadAsPercentagesWithDefaults) {
    struct Case {
        const char* media;
        const char* cd;
        VolumeLevel media_level;
        VolumeLevel cd_level;
    };
    const Case cases[] = {
        {"100", "  0", 0, -10000},
        {" 55", "101", -4500, -8000},
        {" -1", "abc", -1000, -10000},
        {"99999999999999999999", "7", -1000, -9300},
    };
    for (const Case& c : cases) {
        write_file(settings_file(),
                   repeat_lines("x", 24) + "Sound\n" + c.media + "\n" + c.cd + "\n");
        load();
        EXPECT_EQ(radio_state.media_volume, c.media_level) << c.media;
        EXPECT_EQ(radio_state.cd_volume, c.cd_level) << c.cd;
        module.reset();
    }
    write_file(settings_file(), repeat_lines("x", 25));
    radio_state.media_volume = radio_state.cd_volume = 0;
    load();
    EXPECT_EQ(radio_state.media_volume, -1000) << "a missing line reads as 90";
    EXPECT_EQ(radio_state.cd_volume, -8000) << "a missing line reads as 20";
}

TEST_F(Settings, LevelsRoundTripThroughPercentages) {
    load();
    radio_state.media_volume = -2150;
    radio_state.cd_volume = -10100;
    settings_save();
    EXPECT_NE(read_file(settings_file()).find("\n 78\n  0\n"), std::string::npos);
    settings_load(module->handle());
    EXPECT_EQ(radio_state.media_volume, -2200);
    EXPECT_EQ(radio_state.cd_volume, -10000) << "turned fully down stays down";

    radio_state.media_volume = 100;
    radio_state.cd_volume = -10050;
    settings_save();
    settings_load(module->handle());
    EXPECT_EQ(radio_state.media_volume, 0) << "turned fully up stays up";
    EXPECT_EQ(radio_state.cd_volume, -10000);
}

TEST_F(Settings, ShortFileKeepsWhatItDoesNotReach) {
    strcpy(preset_table.slots[5].display_name, "kept name");
    write_file(settings_file(), "One.wav\n/music/One.wav\nTwo.wav\n");
    load();
    EXPECT_STREQ(preset_table.slots[0].display_name, "One.wav");
    EXPECT_STREQ(preset_table.slots[0].file_path, "/music/One.wav");
    EXPECT_STREQ(preset_table.slots[1].display_name, "Two.wav");
    EXPECT_STREQ(preset_table.slots[5].display_name, "kept name");
    EXPECT_STREQ(browse_folder, BROWSE_FOLDER_AT_LOAD);
    EXPECT_EQ(radio_state.media_volume, -1000);
}

TEST_F(Settings, OddLinesCannotSpillIntoOtherFields) {
    std::string long_name(300, 'n');
    std::string text = long_name + "\r\n/music/a.wav\r\n\r\n\r\n";
    text += repeat_lines("x", 20);
    text += "Sound\r\n 40\r\n 60\r\n";
    write_file(settings_file(), text);
    strcpy(preset_table.slots[1].display_name, "before");
    load();
    EXPECT_EQ(std::string(preset_table.slots[0].display_name), std::string(255, 'n'));
    EXPECT_STREQ(preset_table.slots[0].file_path, "/music/a.wav") << "CR LF reads as a line end";
    EXPECT_STREQ(preset_table.slots[1].display_name, "before") << "an empty line keeps the field";
    EXPECT_STREQ(preset_table.slots[2].display_name, "x") << "and reading goes on";
    EXPECT_EQ(radio_state.media_volume, -6000);
    EXPECT_EQ(radio_state.cd_volume, -4000);
}

// Found by fuzzing: "name\r\r\n" read as "name\r", and "name\r\0..." too,
// which the save wrote as "name\r\n", so the name changed at the next load.
TEST_F(Settings, WhatASaveWritesReadsBackTheSame) {
    std::string text = "Rain.mp3\r\r\n/music/Rain.mp3\r\r\r\n";
    text += std::string("Jazz.mid\r\0\0junk\n", 16);
    text += repeat_lines("No file assigned.", 21) + "Sound\r\r\n 40\n 60\n";
    write_file(settings_file(), text);
    load();
    EXPECT_STREQ(preset_table.slots[0].display_name, "Rain.mp3");
    EXPECT_STREQ(preset_table.slots[0].file_path, "/music/Rain.mp3");
    EXPECT_STREQ(preset_table.slots[1].display_name, "Jazz.mid") << "cut at the NUL byte";
    settings_save();
    std::string saved = read_file(settings_file());
    EXPECT_EQ(saved.find('\r'), std::string::npos);
    settings_load(module->handle());
    EXPECT_STREQ(preset_table.slots[0].display_name, "Rain.mp3");
    settings_save();
    EXPECT_EQ(read_file(settings_file()), saved);
}

TEST_F(Settings, FolderLineIsAdoptedOnlyWhenTheFolderExists) {
    std::filesystem::create_directories(dir / "Music");
    write_file(settings_file(), repeat_lines("x", 24) + (dir / "Music") + "\n");
    load();
    EXPECT_EQ(std::string(browse_folder), dir / "Music");

    module.reset();
    strcpy(browse_folder, "before");
    write_file(settings_file(), repeat_lines("x", 24) + (dir / "Gone") + "\n");
    load();
    EXPECT_STREQ(browse_folder, "before");
    EXPECT_FALSE(std::filesystem::exists(dir / "Gone")) << "the test folder is not left behind";
}

TEST_F(Settings, MissingPresetFileKeepsItsLinesThroughASave) {
    write_file(settings_file(), "Gone.mp3\n/nowhere/Gone.mp3\n" +
                                    repeat_lines("No file assigned.", 22) + "Sound\n 80\n 20\n");
    load();
    presets_open_all();
    EXPECT_STREQ(preset_table.slots[0].display_name, FILE_NOT_FOUND);
    settings_save();
    EXPECT_EQ(read_file(settings_file()).rfind("Gone.mp3\n/nowhere/Gone.mp3\nNo file", 0), 0u);
}

TEST_F(Settings, SaveStartsFromAFreshFileAndReplacesTheOldOneWhole) {
    load();
    presets_open_all();
    write_file(dir / "Gauges/skytune.txt", "left over from an interrupted save\n");
    settings_save();
    std::string saved = read_file(settings_file());
    EXPECT_EQ(saved.find("left over"), std::string::npos);
    EXPECT_EQ(saved.rfind("No file assigned.\n", 0), 0u);
}

TEST_F(Settings, FailedReplaceOrFullDiskLeavesTheOldFile) {
    const std::string old_text = repeat_lines("x", 24) + "Sound\n 50\n 50\n";
    write_file(settings_file(), old_text);
    load();
    plat::faults_set("MoveFileExA");
    settings_save();
    plat::faults_set(nullptr);
    EXPECT_EQ(read_file(settings_file()), old_text);
    EXPECT_FALSE(std::filesystem::exists(dir / "Gauges/skytune.txt"));

    // A child process whose files cannot grow past 20 bytes stands for a
    // full disk.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {20, 20};
        setrlimit(RLIMIT_FSIZE, &limit);
        settings_save();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(read_file(settings_file()), old_text);
}

TEST_F(Settings, AKillDuringASaveLeavesAWholeFile) {
    write_file(settings_file(), repeat_lines("x", 24) + "Sound\n 50\n 50\n");
    load();
    std::set<std::string> whole;
    for (int level : {-1000, -3000}) {
        radio_state.cd_volume = level;
        settings_save();
        whole.insert(read_file(settings_file()));
    }
    ASSERT_EQ(whole.size(), 2u);
    // A process saving one way and the other, killed at moments spread over
    // a few saves.
    for (int round = 0; round < 40; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) {
                radio_state.cd_volume = i % 2 == 0 ? -1000 : -3000;
                settings_save();
            }
        }
        usleep(static_cast<useconds_t>(300 + round * 137 % 4000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_EQ(whole.count(read_file(settings_file())), 1u) << "round " << round;
    }
}

TEST_F(Settings, ModulePathWithoutRoomForTheNameReadsAndWritesNothing) {
    std::string deep = "Gauges/" + std::string(120, 'd') + "/" + std::string(120, 'e') + "/";
    std::string name = deep + "skytune.dll";
    module = std::make_unique<StubModule>(dir / name);
    ASSERT_GT((dir / name).size() + 4, 255u);
    strcpy(preset_table.slots[0].file_path, "/music/a.wav");
    settings_load(module->handle());
    EXPECT_STREQ(preset_table.slots[0].file_path, NO_FILE_ASSIGNED);
    settings_save();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / deep),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
