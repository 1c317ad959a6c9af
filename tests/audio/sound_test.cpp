// The click: its buffer, what it sounds like, and a radio that stays up and
// quiet when the sound device cannot be had.
#include "audio/sound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "platform/files_state.h"
#include "platform/native/com_classes.h"
#include "tests/audio/listening.h"

namespace {

class Click : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::faults_set(nullptr);
        trace_path_ = sink_.dir() / "trace.txt";
        plat::trace_to(trace_path_.c_str());
    }
    void TearDown() override {
        plat::faults_set(nullptr);
        plat::trace_to(nullptr);
    }
    std::string trace() const { return read_file(trace_path_); }
    // The pre-install and pre-kill steps of the click around what a test does.
    IDirectSoundBuffer* start() {
        sound_init(nullptr);
        IDirectSoundBuffer* click = sound_load_wav("CLICK_RCD");
        sound_set_volume(click, -500);
        return click;
    }
    void finish(IDirectSoundBuffer* click) {
        sound_release_buffer(click);
        sound_shutdown();
        CoUninitialize();
    }

    CaptureSink sink_;
    std::string trace_path_;
};

std::string click_samples() {
    return read_file(source_file("resources/click.wav")).substr(56, 127);
}

TEST_F(Click, TheBufferHoldsExactlyTheResourceSamplesAndIsHeard) {
    IDirectSoundBuffer* click = start();
    ASSERT_NE(click, nullptr);
    // 36 on 32-bit Windows; the record's own size here.
    std::string request = "IDirectSound8::CreateSoundBuffer " +
                          std::to_string(sizeof(DSBUFFERDESC)) + " 65762 127 1 1 22050 8 -> 0";
    EXPECT_NE(trace().find(request), std::string::npos) << trace();

    LPVOID bytes = nullptr;
    DWORD size = 0;
    ASSERT_EQ(click->Lock(0, 0, &bytes, &size, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    ASSERT_EQ(size, 127u);
    EXPECT_EQ(std::string(static_cast<char*>(bytes), size), click_samples());
    click->Unlock(bytes, size, nullptr, 0);

    listen(0.05);
    sound_play(click, 0);
    listen(0.15);
    finish(click);

    CapturedAudio heard = sounding(sink_.all("sound"), 0.02f);
    // 127 samples at 22050 Hz: 5.8 ms, at -5 dB of full scale.
    EXPECT_NEAR(heard.seconds(), 127.0 / 22050, 0.002);
    EXPECT_GT(heard.peak(), 0.35);
    EXPECT_LT(heard.peak(), 0.75);
    // Bright: most of its energy lies above 4 kHz.
    EXPECT_GT(high_band_share(heard, 4000), 0.6);
}

TEST_F(Click, PlayingWhileItSoundsGoesOnWithoutRewinding) {
    sound_init(nullptr);
    // A file of 0.4 s: 440 Hz, then 880 Hz.
    IDirectSoundBuffer* tone = sound_load_wav(source_file("tests/fixtures/tone.wav").c_str());
    ASSERT_NE(tone, nullptr);
    EXPECT_EQ(plat::mapped_views(), 0) << "the file's view goes once the buffer is filled";
    sound_set_volume(tone, 0);
    sound_play(tone, 0);
    listen(0.15);
    sound_play(tone, 0);
    listen(0.5);
    finish(tone);
    CapturedAudio heard = sounding(sink_.all("sound"));
    EXPECT_NEAR(heard.seconds(), 0.4, 0.03) << "one pass, not restarted";
    EXPECT_NEAR(heard.slice(0.25, 0.35).dominant_frequency(300, 1000), 880, 10);
}

TEST_F(Click, VolumeIsClampedToTheBuffersRange) {
    IDirectSoundBuffer* click = start();
    sound_set_volume(click, 100);
    sound_set_volume(click, -12000);
    finish(click);
    std::string text = trace();
    EXPECT_NE(text.find("IDirectSoundBuffer::SetVolume -500 -> 0"), std::string::npos);
    EXPECT_NE(text.find("IDirectSoundBuffer::SetVolume 0 -> 0"), std::string::npos);
    EXPECT_NE(text.find("IDirectSoundBuffer::SetVolume -10000 -> 0"), std::string::npos);
}

TEST_F(Click, NoDeviceMeansNoClickAndNoHarm) {
    for (const char* failing : {"CoInitialize", "CoCreateInstance", "IDirectSound8::Initialize",
                                "IDirectSound8::CreateSoundBuffer", "IDirectSoundBuffer::Lock"}) {
        SCOPED_TRACE(failing);
        plat::faults_set(failing);
        IDirectSoundBuffer* click = start();
        EXPECT_EQ(click, nullptr);
        plat::faults_set(nullptr);
        // The radio goes on pressing buttons with a null click.
        sound_play(click, 0);
        sound_set_volume(click, -500);
        finish(click);
        EXPECT_EQ(sound_state.device, nullptr);
        EXPECT_EQ(plat::com_initialized(), 0);
    }
    EXPECT_EQ(trace().find("IDirectSoundBuffer::Play"), std::string::npos);
    EXPECT_TRUE(sounding(sink_.all("sound")).empty());
    EXPECT_EQ(plat::open_file_handles(), 0);
}

TEST_F(Click, ANameThatIsNeitherResourceNorFileGivesNull) {
    sound_init(nullptr);
    EXPECT_EQ(sound_load_wav("NO_SUCH_SOUND"), nullptr);
    EXPECT_EQ(sound_load_wav(source_file("tests/fixtures/noise.bin").c_str()), nullptr);
    EXPECT_EQ(plat::open_file_handles(), 0);
    EXPECT_EQ(plat::mapped_views(), 0);
    finish(nullptr);
}

}  // namespace
