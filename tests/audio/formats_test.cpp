// Every format, and WAV files of every common layout, heard both as a
// preset (the filter graph), once at its tone and length, and as a track of
// a folder disc (the virtual drive): the two share one decoder head, so what
// plays as one plays as the other.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/cd.h"
#include "audio/media.h"
#include "core/radio_state.h"
#include "tests/audio/listening.h"

namespace {

namespace fs = std::filesystem;

struct WavLayout {
    int bits;
    int channels;
    int rate;
    bool extensible;
};

void put(std::string* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        *out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// A tone as PCM of the given layout; frames odd-numbered when asked, so
// that 8-bit mono data has an odd length and ends in its pad byte.
void write_wav(const std::string& path, const WavLayout& layout, double frequency, double seconds,
               bool odd_frames) {
    int frames = static_cast<int>(seconds * layout.rate) | (odd_frames ? 1 : 0);
    std::string data;
    for (int i = 0; i < frames; ++i) {
        double value = 0.5 * std::sin(2 * M_PI * frequency * i / layout.rate);
        for (int c = 0; c < layout.channels; ++c) {
            if (layout.bits == 8) {
                put(&data, static_cast<uint32_t>(std::lround(128 + 127 * value)), 1);
            } else {
                double full = std::ldexp(1.0, layout.bits - 1) - 1;
                put(&data, static_cast<uint32_t>(static_cast<int32_t>(std::lround(value * full))),
                    layout.bits / 8);
            }
        }
    }
    int block = layout.channels * layout.bits / 8;
    std::string format;
    put(&format, layout.extensible ? 0xFFFE : 1, 2);
    put(&format, static_cast<uint32_t>(layout.channels), 2);
    put(&format, static_cast<uint32_t>(layout.rate), 4);
    put(&format, static_cast<uint32_t>(layout.rate * block), 4);
    put(&format, static_cast<uint32_t>(block), 2);
    put(&format, static_cast<uint32_t>(layout.bits), 2);
    if (layout.extensible) {
        put(&format, 22, 2);
        put(&format, static_cast<uint32_t>(layout.bits), 2);
        put(&format, layout.channels == 1 ? 0x4 : 0x3, 4);
        // KSDATAFORMAT_SUBTYPE_PCM
        format +=
            std::string("\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 16);
    }
    std::string body = "WAVEfmt ";
    put(&body, static_cast<uint32_t>(format.size()), 4);
    body += format + "data";
    put(&body, static_cast<uint32_t>(data.size()), 4);
    body += data;
    if (data.size() % 2 == 1) {
        body += '\0';
    }
    std::string file = "RIFF";
    put(&file, static_cast<uint32_t>(body.size()), 4);
    write_file(path, file + body);
}

struct Track {
    std::string name;
    double frequency;
    double seconds;  // how long it sounds, ringing out after it ends
    double ring;
};

class Formats : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TMPDIR", sink_.dir().path().c_str(), 1);
        disc_ = sink_.dir() / "disc";
        struct Variant {
            WavLayout layout;
            double frequency;
            bool odd;
        };
        const Variant variants[] = {
            {{8, 1, 8000, false}, 300, true},    {{16, 2, 48000, false}, 350, false},
            {{24, 1, 22050, false}, 500, false}, {{32, 2, 44100, false}, 600, false},
            {{16, 2, 32000, true}, 750, false},  {{24, 1, 11025, true}, 900, false},
            {{8, 2, 16000, false}, 1000, true},
        };
        int number = 1;
        for (const Variant& v : variants) {
            char name[16];
            snprintf(name, sizeof name, "%02d.wav", number++);
            write_wav(disc_ + "/" + name, v.layout, v.frequency, 0.6, v.odd);
            tracks_.push_back({name, v.frequency, 0.6, 0});
        }
        // Codecs add a little at the ends; a synthesiser lets its note ring.
        for (Track fixture : {Track{"tone.mp3", 660, 0.5, 0.1}, Track{"tone.wma", 550, 0.5, 0.1},
                              Track{"tone.mid", 440, 0.4, 0.6}}) {
            char name[16];
            snprintf(name, sizeof name, "%02d%s", number++,
                     fs::path(fixture.name).extension().c_str());
            fs::copy_file(source_file("tests/fixtures/" + fixture.name), disc_ + "/" + name);
            tracks_.push_back({name, fixture.frequency, fixture.seconds, fixture.ring});
        }
        CoInitialize(nullptr);
        media_init(nullptr, 0, 0, 0, 0);
    }
    void TearDown() override {
        mciSendStringA("close cdaudio", nullptr, 0, nullptr);
        plat::set_cd_source("demo");
        media_shutdown();
        CoUninitialize();
        unsetenv("TMPDIR");
    }

    // The first part of a capture that sounds.
    static double pitch(const CapturedAudio& capture) {
        return sounding(capture).slice(0.02, 0.25).dominant_frequency(200, 1500, 1);
    }

    CaptureSink sink_;
    std::string disc_;
    std::vector<Track> tracks_;
};

TEST_F(Formats, EachIsHeardAsAPresetAndAsACdTrack) {
    for (const Track& track : tracks_) {
        std::string path = disc_ + "/" + track.name;
        MediaHandle handle = media_open(path.c_str());
        ASSERT_EQ(handle, path.c_str()) << "the handle is the caller's own text";
        media_play(handle, 0);
        settle();
        EXPECT_TRUE(listen_until([] { return reported_plays() == MEDIA_PLAYS_NOTHING; }, 20))
            << track.name;
        media_stop();
    }
    plat::set_cd_source(disc_.c_str());
    ASSERT_EQ(mciSendStringA("open cdaudio", nullptr, 0, nullptr), 0u);
    ASSERT_EQ(mciSendStringA("set cdaudio time format tmsf", nullptr, 0, nullptr), 0u);
    for (size_t k = 1; k <= tracks_.size(); ++k) {
        std::string play = "play cdaudio from " + std::to_string(k);
        ASSERT_EQ(mciSendStringA(play.c_str(), nullptr, 0, nullptr), 0u) << k;
        listen(0.5);
        mciSendStringA("stop cdaudio", nullptr, 0, nullptr);
    }
    settle();

    std::vector<CapturedAudio> presets = sink_.heard("media");
    std::vector<CapturedAudio> cd = sink_.heard("cd");
    ASSERT_EQ(presets.size(), tracks_.size());
    ASSERT_EQ(cd.size(), tracks_.size());
    for (size_t i = 0; i < tracks_.size(); ++i) {
        SCOPED_TRACE(tracks_[i].name);
        EXPECT_GT(sounding(presets[i]).rms(), 0.05);
        // Once, and not again.
        EXPECT_GT(sounding(presets[i], 0.005f).seconds(), tracks_[i].seconds - 0.05);
        EXPECT_LT(sounding(presets[i], 0.005f).seconds(),
                  tracks_[i].seconds + tracks_[i].ring + 0.05);
        EXPECT_NEAR(pitch(presets[i]), tracks_[i].frequency, 6) << "as a preset";
        EXPECT_NEAR(pitch(cd[i]), tracks_[i].frequency, 6) << "as CD track " << i + 1;
    }
}

// The track the display shows is the track heard: the 8-bit file that ends
// in its pad byte is not passed over.
TEST_F(Formats, AnOddLengthWavIsTrackOneOnTheDisplay) {
    plat::set_cd_source(disc_.c_str());
    ASSERT_EQ(cd_open(), 0u);
    radio_state.power = 1;
    radio_state.mode = MODE_CD;
    radio_state.paused = 0;
    radio_state.current_track = 0;
    ASSERT_EQ(cd_play_track(1), 0u);
    char text[3] = "xx";
    ELEMENT_STRING element{};
    element.string = text;
    // The display, asked at each update, shows what the drive plays.
    EXPECT_TRUE(listen_until([&] { return cd_display_poll(&element) == 1.0; }, 5));
    EXPECT_STREQ(text, "01");
    listen(0.3);
    cd_stop();
    cd_close();
    radio_state.power = 0;
    settle();
    std::vector<CapturedAudio> cd = sink_.heard("cd");
    ASSERT_EQ(cd.size(), 1u);
    EXPECT_NEAR(pitch(cd[0]), 300, 6);
}

}  // namespace
