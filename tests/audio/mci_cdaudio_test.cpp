// The stand-in's "cdaudio" device where the CD player relies on the
// platform: identifiers, replies, error codes and the tray.
#include <gtest/gtest.h>

#include "tests/audio/cd_test_support.h"

namespace {

MCIERROR send(const char* command) {
    return mciSendStringA(command, nullptr, 0, nullptr);
}

MCIERROR open_as(const char* alias, MCIDEVICEID* id) {
    MCI_OPEN_PARMSA open;
    memset(&open, 0, sizeof open);
    open.lpstrDeviceType = "cdaudio";
    open.lpstrAlias = alias;
    MCIERROR error = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ALIAS,
                                     reinterpret_cast<DWORD_PTR>(&open));
    *id = open.wDeviceID;
    return error;
}

class CdAudioDevice : public CdTest {
  protected:
    void SetUp() override {
        CdTest::SetUp();
        disc = make_tone_disc(dir, "disc", {300, 400, 500}, 2.0);
        plat::set_cd_source(disc.c_str());
    }
    std::string disc;
};

TEST_F(CdAudioDevice, IdentifiersAreTheLowestFree) {
    MCIDEVICEID first = 0, second = 0, again = 0;
    ASSERT_EQ(open_as("first", &first), 0u);
    ASSERT_EQ(open_as("second", &second), 0u);
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(second, 2u);
    EXPECT_EQ(open_as("second", &again), static_cast<MCIERROR>(MCIERR_DEVICE_OPEN));
    EXPECT_EQ(send("close first"), 0u);
    EXPECT_EQ(send("close first"), static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_NAME));
    EXPECT_EQ(mciSendCommandA(first, MCI_STOP, 0, 0),
              static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));

    char reply[16];
    ASSERT_EQ(mciSendStringA("open cdaudio", reply, sizeof reply, nullptr), 0u);
    EXPECT_STREQ(reply, "1");
    EXPECT_EQ(mciSendCommandA(second, MCI_CLOSE, 0, 0), 0u);
}

TEST_F(CdAudioDevice, RepliesFollowTheDrive) {
    // Covers and notes beside the tracks are no tracks.
    write_file(disc + "/cover.JPG", "not audio");
    write_file(disc + "/notes.txt", "not audio");
    plat::set_cd_source(disc.c_str());
    ASSERT_EQ(send("open cdaudio"), 0u);
    EXPECT_EQ(cd_status("mode"), "stopped");
    EXPECT_EQ(cd_status("media present"), "true");
    EXPECT_EQ(cd_status("number of tracks"), "3");
    EXPECT_EQ(cd_status("current track"), "1");
    EXPECT_EQ(cd_status("type track 3"), "audio");
    EXPECT_EQ(cd_status("type track 4"), "error 282");
    EXPECT_EQ(cd_status("time format"), "msf") << "until set";
    EXPECT_EQ(send("play cdaudio from 2"), static_cast<MCIERROR>(MCIERR_UNSUPPORTED_FUNCTION));

    ASSERT_EQ(send("set cdaudio time format tmsf"), 0u);
    ASSERT_EQ(send("play cdaudio from 2"), 0u);
    EXPECT_EQ(cd_status("mode"), "playing");
    EXPECT_EQ(cd_status("current track"), "2");
    ASSERT_EQ(send("PLAY CDAUDIO FROM 3:0:0:0"), 0u);
    EXPECT_EQ(cd_status("current track"), "3");

    // The tray: opening it ends play and hides the disc until it closes.
    ASSERT_EQ(send("set cdaudio door open"), 0u);
    EXPECT_EQ(cd_status("mode"), "open");
    EXPECT_EQ(cd_status("media present"), "false");
    EXPECT_EQ(cd_status("number of tracks"), "error 276");
    EXPECT_EQ(send("play cdaudio from 1"), static_cast<MCIERROR>(MCIERR_DEVICE_NOT_READY));
    ASSERT_EQ(send("set cdaudio door closed"), 0u);
    EXPECT_EQ(cd_status("mode"), "stopped");
    EXPECT_EQ(cd_status("current track"), "1");
    EXPECT_EQ(send("close cdaudio"), 0u);
}

TEST_F(CdAudioDevice, OtherDiscsAndNoDrive) {
    plat::set_cd_source("none");
    EXPECT_EQ(cd_status("mode"), "not ready") << "a device type opens for one command";
    EXPECT_EQ(cd_status("media present"), "false");
    EXPECT_EQ(cd_status("type track 1"), "error 276");

    plat::set_cd_source("data");
    EXPECT_EQ(cd_status("mode"), "stopped");
    EXPECT_EQ(cd_status("media present"), "true");
    EXPECT_EQ(cd_status("number of tracks"), "1");
    EXPECT_EQ(cd_status("type track 1"), "other");

    plat::set_cd_source("absent");
    EXPECT_EQ(send("open cdaudio"), static_cast<MCIERROR>(MCIERR_CANNOT_LOAD_DRIVER));
    EXPECT_EQ(cd_status("mode"), "error 266");

    plat::set_cd_source((dir / "no such folder").c_str());
    EXPECT_EQ(cd_status("mode"), "not ready");
}

TEST_F(CdAudioDevice, CommandsItCannotTakeAreRefused) {
    struct Case {
        const char* command;
        MCIERROR error;
    };
    for (Case c : {Case{"", MCIERR_MISSING_COMMAND_STRING},
                   Case{"eject cdaudio", MCIERR_UNRECOGNIZED_COMMAND},
                   Case{"status", MCIERR_MISSING_DEVICE_NAME},
                   Case{"status waveaudio mode", MCIERR_INVALID_DEVICE_NAME},
                   Case{"status cdaudio", MCIERR_MISSING_PARAMETER},
                   Case{"status cdaudio colour", MCIERR_UNRECOGNIZED_KEYWORD},
                   Case{"status cdaudio type track x", MCIERR_BAD_INTEGER},
                   Case{"set cdaudio time format furlongs", MCIERR_BAD_TIME_FORMAT},
                   Case{"play cdaudio from", MCIERR_MISSING_PARAMETER},
                   Case{"play cdaudio from 4294967296", MCIERR_BAD_INTEGER},
                   Case{"play cdaudio from -1", MCIERR_BAD_INTEGER},
                   Case{"play cdaudio to 2", MCIERR_UNRECOGNIZED_KEYWORD}}) {
        EXPECT_EQ(send(c.command), c.error) << c.command;
    }
    EXPECT_EQ(mciSendStringA(nullptr, nullptr, 0, nullptr),
              static_cast<MCIERROR>(MCIERR_MISSING_COMMAND_STRING));

    // A reply that does not fit is an error, and the buffer holds no part of it.
    char small[4] = "abc";
    EXPECT_EQ(mciSendStringA("status cdaudio media present", small, sizeof small, nullptr),
              static_cast<MCIERROR>(MCIERR_PARAM_OVERFLOW));
    EXPECT_STREQ(small, "");

    MCIDEVICEID id = 0;
    ASSERT_EQ(open_as("cd", &id), 0u);
    EXPECT_EQ(mciSendCommandA(id, MCI_SET, MCI_SET_TIME_FORMAT, 0),
              static_cast<MCIERROR>(MCIERR_NULL_PARAMETER_BLOCK));
    EXPECT_EQ(mciSendCommandA(id, MCI_SET, MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED, 0),
              static_cast<MCIERROR>(MCIERR_FLAGS_NOT_COMPATIBLE));
    MCI_SET_PARMS set = {0, 99, 0};
    EXPECT_EQ(mciSendCommandA(id, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set)),
              static_cast<MCIERROR>(MCIERR_BAD_TIME_FORMAT));
    EXPECT_EQ(mciSendCommandA(id, MCI_OPEN, MCI_OPEN_TYPE, 0),
              static_cast<MCIERROR>(MCIERR_NULL_PARAMETER_BLOCK));
    EXPECT_EQ(mciSendCommandA(id, MCI_CLOSE, 0, 0), 0u);
}

}  // namespace
