// The WAV walker: which chunks it takes, which it skips, and that it never
// reads past the image it is given (the sanitizer build watches that).
#include "audio/wav.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/files_state.h"
#include "tests/audio/listening.h"

namespace {

typedef std::vector<BYTE> Bytes;

void put32(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
    }
}

Bytes chunk(const char* id, const Bytes& body, uint32_t declared = 0xFFFFFFFF) {
    Bytes out(id, id + 4);
    put32(out, declared != 0xFFFFFFFF ? declared : static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 == 1) {
        out.push_back(0);
    }
    return out;
}

Bytes pcm_format(uint16_t channels, uint32_t rate, uint16_t bits, size_t length = 16) {
    Bytes body;
    body.push_back(1);
    body.push_back(0);
    body.push_back(static_cast<BYTE>(channels));
    body.push_back(0);
    put32(body, rate);
    put32(body, rate * channels * bits / 8);
    body.push_back(static_cast<BYTE>(channels * bits / 8));
    body.push_back(0);
    body.push_back(static_cast<BYTE>(bits));
    body.push_back(0);
    body.resize(length, 0);
    return body;
}

Bytes riff(const std::vector<Bytes>& chunks) {
    Bytes body = {'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks) {
        body.insert(body.end(), c.begin(), c.end());
    }
    Bytes out = {'R', 'I', 'F', 'F'};
    put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// What wav_parse gave: the result, and where the format and the samples
// start in the image (-1 for none).
struct Parsed {
    int result;
    intptr_t format;
    intptr_t data;
    DWORD data_length;
};

// The image is copied into a buffer of exactly its size.
Parsed parse(const Bytes& image) {
    Bytes exact(image);
    WAVEFORMATEX* format = nullptr;
    BYTE* data = nullptr;
    Parsed parsed{0, -1, -1, 0};
    parsed.result = wav_parse(exact.data(), static_cast<DWORD>(exact.size()), &format, &data,
                              &parsed.data_length);
    auto offset = [&](const void* at) -> intptr_t {
        return at == nullptr ? -1 : static_cast<const BYTE*>(at) - exact.data();
    };
    parsed.format = offset(format);
    parsed.data = offset(data);
    return parsed;
}

const Bytes SAMPLES = {1, 2, 3, 4, 5};

TEST(WavParse, TakesTheFirstFormatAndDataInEitherOrder) {
    Bytes data_first = riff(
        {chunk("LIST", {9, 9, 9}), chunk("data", SAMPLES), chunk("fmt ", pcm_format(1, 8000, 8))});
    Parsed parsed = parse(data_first);
    ASSERT_EQ(parsed.result, 1);
    // RIFF(8) WAVE(4) LIST(8+3+pad) data(8+5+pad) fmt(8)
    EXPECT_EQ(parsed.data, 12 + 12 + 8);
    EXPECT_EQ(parsed.format, 12 + 12 + 14 + 8);

    Bytes second_ones = riff({chunk("fmt ", pcm_format(1, 8000, 8)), chunk("data", SAMPLES),
                              chunk("fmt ", pcm_format(2, 44100, 16)), chunk("data", {7, 7})});
    parsed = parse(second_ones);
    ASSERT_EQ(parsed.result, 1);
    EXPECT_EQ(parsed.format, 20);
    EXPECT_EQ(parsed.data_length, 5u) << "the second chunks are never reached";

    // An empty first data chunk is still the first: a later one never
    // takes its place, whichever outputs are asked for.
    Bytes empty_first =
        riff({chunk("data", {}), chunk("fmt ", pcm_format(1, 8000, 8)), chunk("data", SAMPLES)});
    parsed = parse(empty_first);
    ASSERT_EQ(parsed.result, 1);
    EXPECT_EQ(parsed.data, 20);
    EXPECT_EQ(parsed.data_length, 0u);
}

TEST(WavParse, AShortFirstFormatFailsEvenIfALongerOneFollows) {
    Parsed parsed = parse(riff({chunk("fmt ", pcm_format(1, 8000, 8, 13)),
                                chunk("fmt ", pcm_format(1, 8000, 8)), chunk("data", SAMPLES)}));
    EXPECT_EQ(parsed.result, 0);
    // Fourteen bytes (the WAVEFORMAT fields) are enough.
    parsed = parse(riff({chunk("fmt ", pcm_format(1, 8000, 8, 14)), chunk("data", SAMPLES)}));
    EXPECT_EQ(parsed.result, 1);
}

// Found by fuzzing: a 14-byte "fmt " body at the very end of the image went
// to the sound device, which reads a whole WAVEFORMATEX past the image.
TEST(WavWholeFormat, TakesOnlyWhatTheFormatChunkHolds) {
    Bytes short_last = riff({chunk("data", SAMPLES), chunk("fmt ", pcm_format(1, 8000, 8, 14))});
    Bytes exact(short_last);
    WAVEFORMATEX* found = nullptr;
    BYTE* data = nullptr;
    DWORD length = 0;
    ASSERT_EQ(wav_parse(exact.data(), static_cast<DWORD>(exact.size()), &found, &data, &length), 1);
    WAVEFORMATEX whole;
    memset(&whole, 0xAB, sizeof whole);
    wav_whole_format(found, &whole);
    EXPECT_EQ(whole.nSamplesPerSec, 8000u);
    EXPECT_EQ(whole.nBlockAlign, 1);
    EXPECT_EQ(whole.wBitsPerSample, 0) << "not in a 14-byte body";
    EXPECT_EQ(whole.cbSize, 0);

    // A 16-byte PCM body: the "data" header after it is not read as cbSize.
    exact = riff({chunk("fmt ", pcm_format(2, 44100, 16)), chunk("data", SAMPLES)});
    ASSERT_EQ(wav_parse(exact.data(), static_cast<DWORD>(exact.size()), &found, &data, &length), 1);
    wav_whole_format(found, &whole);
    EXPECT_EQ(whole.nChannels, 2);
    EXPECT_EQ(whole.wBitsPerSample, 16);
    EXPECT_EQ(whole.cbSize, 0);
}

TEST(WavParse, BadMagicFailsWithEveryOutputEmpty) {
    Bytes good = riff({chunk("fmt ", pcm_format(1, 8000, 8)), chunk("data", SAMPLES)});
    for (size_t where : {0u, 8u}) {
        Bytes bad = good;
        bad[where + 1] ^= 0x20;
        Parsed parsed = parse(bad);
        EXPECT_EQ(parsed.result, 0);
        EXPECT_EQ(parsed.format, -1);
        EXPECT_EQ(parsed.data, -1);
        EXPECT_EQ(parsed.data_length, 0u);
    }
    EXPECT_EQ(parse(Bytes(good.begin(), good.begin() + 11)).result, 0) << "shorter than a header";
}

TEST(WavParse, ChunksThatRunPastTheImageFail) {
    Bytes format = chunk("fmt ", pcm_format(1, 8000, 8));
    // The file was cut off inside its samples.
    Bytes truncated = riff({format, chunk("data", SAMPLES)});
    truncated.resize(truncated.size() - 3);
    EXPECT_EQ(parse(truncated).result, 0);
    // Lengths that would carry the walk, or the copy, far outside.
    for (uint32_t length : {0xFFFFFFF8u, 0x7FFFFFFFu}) {
        EXPECT_EQ(parse(riff({format, chunk("data", SAMPLES, length)})).result, 0) << length;
        EXPECT_EQ(
            parse(riff({chunk("junk", SAMPLES, length), format, chunk("data", SAMPLES)})).result, 0)
            << length;
    }
    // A chunk header cut in half, and a RIFF size that claims more than
    // there is: the walk stops at the image's end.
    Bytes half = riff({format});
    half.insert(half.end(), {'d', 'a', 't'});
    EXPECT_EQ(parse(half).result, 0);
    Bytes claims_more = riff({format, chunk("data", SAMPLES)});
    claims_more[4] = 0xF0;
    claims_more[7] = 0x7F;
    EXPECT_EQ(parse(claims_more).result, 1);
}

TEST(WavParse, OnlyTheOutputsAskedForAreNeeded) {
    Bytes image = riff({chunk("data", SAMPLES)});
    DWORD length = 0;
    EXPECT_EQ(wav_parse(image.data(), static_cast<DWORD>(image.size()), nullptr, nullptr, &length),
              1);
    EXPECT_EQ(length, 5u);
    WAVEFORMATEX* format = nullptr;
    EXPECT_EQ(wav_parse(image.data(), static_cast<DWORD>(image.size()), &format, nullptr, &length),
              0)
        << "no format chunk";
}

TEST(WavFromFile, AFileThatMapsButDoesNotParseLeavesNothingOpen) {
    ScratchDir dir;
    write_file(dir / "not.wav", "RIFF....WAVEjunk and more junk");
    WAVEFORMATEX* format = nullptr;
    BYTE* data = nullptr;
    DWORD length = 0;
    LPVOID view = reinterpret_cast<LPVOID>(1);
    EXPECT_EQ(wav_from_file((dir / "not.wav").c_str(), &format, &data, &length, &view), 0);
    EXPECT_EQ(view, nullptr);
    EXPECT_EQ(plat::open_file_handles(), 0);
    EXPECT_EQ(plat::mapped_views(), 0);

    // A good one stays mapped until the caller lets it go.
    EXPECT_EQ(
        wav_from_file(source_file("resources/click.wav").c_str(), &format, &data, &length, &view),
        1);
    EXPECT_EQ(length, 127u);
    EXPECT_EQ(format->nSamplesPerSec, 22050u);
    EXPECT_EQ(plat::open_file_handles(), 0);
    EXPECT_EQ(plat::mapped_views(), 1);
    UnmapViewOfFile(view);
    EXPECT_EQ(plat::mapped_views(), 0);

    EXPECT_EQ(wav_from_file((dir / "missing.wav").c_str(), &format, &data, &length, &view), 0);
    write_file(dir / "empty.wav", "");
    EXPECT_EQ(wav_from_file((dir / "empty.wav").c_str(), &format, &data, &length, &view), 0);
    EXPECT_EQ(plat::open_file_handles(), 0);
}

}  // namespace
