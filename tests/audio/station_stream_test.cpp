// What a station's byte stream goes through before it is decoded: the ICY
// cutter, which must give the same audio and title however the network
// splits the stream, and the frame finder, which must not let four bytes
// that look like a header decide the stream's rate (a false 48 kHz header
// once made a 44.1 kHz station play a semitone and a half sharp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/icy_metadata.h"
#include "audio/mp3_frames.h"
#include "tests/audio/listening.h"

namespace {

// Audio every `interval` bytes, a metadata block after each stretch.
std::vector<uint8_t> icy_stream(const std::vector<uint8_t>& audio, uint32_t interval,
                                const std::vector<std::string>& blocks) {
    std::vector<uint8_t> stream;
    for (size_t at = 0, block = 0; at < audio.size(); at += interval, ++block) {
        size_t end = std::min(audio.size(), at + interval);
        stream.insert(stream.end(), audio.begin() + long(at), audio.begin() + long(end));
        std::string text = block < blocks.size() ? blocks[block] : "";
        text.resize((text.size() + 15) / 16 * 16, '\0');
        stream.push_back(uint8_t(text.size() / 16));
        stream.insert(stream.end(), text.begin(), text.end());
    }
    return stream;
}

TEST(StationStream, TheMetadataIsCutOutWhereverTheStreamIsSplit) {
    std::vector<uint8_t> audio;
    for (int i = 0; i < 300; ++i) audio.push_back(uint8_t(i * 7));
    const std::string long_title(400, 'x');
    const std::vector<uint8_t> stream = icy_stream(
        audio, 100,
        {"StreamTitle='Rock 'n' Roll';StreamUrl='';", "", "StreamTitle='" + long_title + "';"});
    for (size_t split = 1; split < stream.size(); split += 13) {
        SCOPED_TRACE(split);
        IcyState icy;
        icy_start(&icy, 100);
        std::vector<uint8_t> heard;
        std::vector<std::string> titles;
        for (size_t at = 0; at < stream.size(); at += split) {
            std::vector<uint8_t> piece(stream.begin() + long(at),
                                       stream.begin() + long(std::min(stream.size(), at + split)));
            piece.resize(icy_cut(&icy, piece.data(), uint32_t(piece.size())));
            heard.insert(heard.end(), piece.begin(), piece.end());
            if (icy.title_changed == 1) {
                icy.title_changed = 0;
                titles.push_back(icy.title);
            }
        }
        EXPECT_EQ(heard, audio);
        ASSERT_EQ(titles.size(), 2u) << "an empty block names no title";
        EXPECT_EQ(titles[0], "Rock 'n' Roll");
        EXPECT_EQ(titles[1], long_title.substr(0, ICY_TITLE_CAPACITY - 1));
    }
}

TEST(StationStream, FramesAreBelievedOnlyWhenSeveralAgree) {
    const std::string file = read_file(source_file("tests/fixtures/tone.mp3"));
    // A 48 kHz header, then bytes, then the 44.1 kHz stream.
    std::vector<uint8_t> stream = {0xFF, 0xFB, 0x94, 0x00};
    stream.resize(40, 0x55);
    size_t real = stream.size();
    stream.insert(stream.end(), file.begin(), file.end());

    Mp3FrameFinder finder{};
    uint32_t start = 0;
    Mp3Header header;
    ASSERT_EQ(mp3_next_frame(&finder, stream.data(), uint32_t(stream.size()), &start, &header),
              MP3_FRAME);
    EXPECT_EQ(start, real);
    EXPECT_EQ(header.sample_rate, 44100);

    // Locked, the finder follows frame after frame; a damaged stretch
    // unlocks it, and it finds the frames again after it.
    std::vector<uint8_t> rest(stream.begin() + long(start), stream.end());
    size_t frames = 0;
    for (uint32_t at = 0;;) {
        if (frames == 5) {
            std::fill(rest.begin() + at, rest.begin() + at + 300, uint8_t(0xFF));
        }
        if (mp3_next_frame(&finder, rest.data() + at, uint32_t(rest.size() - at), &start,
                           &header) != MP3_FRAME) {
            break;
        }
        EXPECT_EQ(header.sample_rate, 44100);
        at += start + header.frame_bytes;
        ++frames;
    }
    EXPECT_GT(frames, 10u) << "the frames after the damage are found again";
    EXPECT_EQ(finder.locked, 1);
}

}  // namespace
