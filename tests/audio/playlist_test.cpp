// Playlists: what the reader makes of lists good and bad, and the player
// heard through the capture sink, entry after entry, looping and stepping.
#include "audio/playlist.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "audio/media.h"
#include "audio/media_graph.h"
#include "platform/native/com_classes.h"
#include "tests/audio/listening.h"
#include "tools/demo_disc/wav_file.h"

namespace {

namespace fs = std::filesystem;

// What the reader hands on, a line for each visit: the number, the location
// ("-" for none), the title in quotes and "(utf8)"; or "malformed".
std::string parsed(int32_t format, const std::string& bytes) {
    std::string out;
    auto visit = [](const PlaylistLine* line, void* context) {
        std::string& text = *static_cast<std::string*>(context);
        text += std::to_string(line->number) + " " + (line->location ? line->location : "-");
        text += line->title ? " '" + std::string(line->title) + "'" : "";
        text += line->utf8 ? " (utf8)\n" : "\n";
        return 1;
    };
    int read = playlist_parse(bytes.data(), static_cast<DWORD>(bytes.size()), format, visit, &out);
    return read == 1 ? out : "malformed";
}

TEST(PlaylistReader, ListsGoodAndBad) {
    std::string numbered;
    std::string thousand;
    for (int n = 1; n <= 1005; ++n) {
        numbered += "e" + std::to_string(n) + ".mp3\n";
        thousand += n <= 1000 ? std::to_string(n) + " e" + std::to_string(n) + ".mp3\n" : "";
    }
    std::string long_title;
    for (int i = 0; i < 150; ++i) {
        long_title += "\xC3\xA9";  // two bytes each: cut at a character's start
    }
    struct Case {
        const char* what;
        int32_t format;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"comments, titles, CR LF, blanks", PLAYLIST_M3U,
         "#EXTM3U\r\n#EXTINF:271,Dave Brubeck - Take Five\r\nJazz\\Take Five.mp3\r\n# note\r\n\r\n"
         "  /music/rain.wav  \r\n#EXTINF:10\r\nnext.wma\rlast.mid",
         "1 Jazz\\Take Five.mp3 'Dave Brubeck - Take Five'\n2 /music/rain.wav\n3 next.wma\n"
         "4 last.mid\n"},
        {"a byte order mark says UTF-8", PLAYLIST_M3U,
         "\xEF\xBB\xBF"
         "caf\xC3\xA9.wav\n",
         "1 caf\xC3\xA9.wav (utf8)\n"},
        {".m3u8 is UTF-8", PLAYLIST_M3U8, "a.mp3", "1 a.mp3 (utf8)\n"},
        {".pls keys in any order", PLAYLIST_PLS,
         "[playlist]\r\nNumberOfEntries=3\r\nFile2=b.mp3\r\nTitle1=One\r\nfile1 = a.mp3\r\n"
         "Length1=-1\r\nFile0=zero.mp3\r\nFile1001=far.mp3\r\nFileX=x.mp3\r\nVersion=2\r\n",
         "2 b.mp3\n1 - 'One'\n1 a.mp3\n"},
        {".pls header in any case, after comments", PLAYLIST_PLS, "; by hand\n[PlayList]\nFile1=a",
         "1 a\n"},
        {".pls without its header", PLAYLIST_PLS, "File1=a.mp3\n", "malformed"},
        {"empty .pls", PLAYLIST_PLS, "", "malformed"},
        {"empty .m3u", PLAYLIST_M3U, "", ""},
        {"a WAV file named .m3u", PLAYLIST_M3U, std::string("RIFF\x24\0\0\0WAVEfmt ", 16),
         "malformed"},
        {"over-long lines", PLAYLIST_M3U8,
         "#EXTINF:1," + std::string(300, 't') + "\n" + std::string(300, 'x') +
             "\nshort.mp3\n#EXTINF:1," + long_title + "\nlast.mp3\n",
         "1 short.mp3 (utf8)\n2 last.mp3 '" + long_title.substr(0, 254) + "' (utf8)\n"},
        {"1000 entries at most", PLAYLIST_M3U, numbered, thousand},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parsed(c.format, c.bytes), c.expected) << c.what;
    }

    EXPECT_EQ(playlist_format("C:\\Lists\\Road trip.M3U"), PLAYLIST_M3U);
    EXPECT_EQ(playlist_format("/lists/jazz.m3u8"), PLAYLIST_M3U8);
    EXPECT_EQ(playlist_format("radio.Pls"), PLAYLIST_PLS);
    for (const char* other : {"song.mp3", "list.m3u.wav", "lists.m3u/song", "m3u", "x.m3u8.bak"}) {
        EXPECT_EQ(playlist_format(other), PLAYLIST_NONE) << other;
    }
    EXPECT_EQ(playlist_entry_kind("HTTPS://radio.example/jazz"), PLAYLIST_ENTRY_STREAM);
    EXPECT_EQ(playlist_entry_kind("http://radio.example/jazz"), PLAYLIST_ENTRY_STREAM);
    EXPECT_EQ(playlist_entry_kind("http.mp3"), PLAYLIST_ENTRY_FILE);
}

TEST(PlaylistReader, EntriesAreFoundFromTheListsFolder) {
    const std::string too_long(250, 'a');
    struct Case {
        const char* list;
        const char* location;
        int32_t utf8;
        std::u16string expected;  // empty: it does not fit
    } cases[] = {
        {"/music/lists/trip.m3u", "sub\\a.mp3", 0, u"/music/lists/sub\\a.mp3"},
        {"C:\\Lists\\trip.m3u", "../a.mp3", 0, u"C:\\Lists\\../a.mp3"},
        {"trip.m3u", "a.mp3", 0, u"a.mp3"},
        {"/music/trip.m3u", "/other/a.mp3", 0, u"/other/a.mp3"},
        {"/music/trip.m3u", "D:\\a.mp3", 0, u"D:\\a.mp3"},
        {"/music/trip.m3u", "\\\\server\\a.mp3", 0, u"\\\\server\\a.mp3"},
        {"/music/trip.m3u8", "caf\xC3\xA9.mp3", 1, u"/music/caf\u00E9.mp3"},
        {"/music/trip.m3u", too_long.c_str(), 0, u""},
    };
    for (const Case& c : cases) {
        WCHAR wide[256];
        int fits = playlist_entry_wide_path(c.list, c.location, c.utf8, wide);
        EXPECT_EQ(fits == 1 ? std::u16string(wide) : u"", c.expected) << c.location;
    }
}

class Playlists : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::faults_set(nullptr);
        CoInitialize(nullptr);
        media_init(nullptr, 0, 0, 0, 0);
        media_set_volume(0);
    }
    void TearDown() override {
        media_shutdown();
        CoUninitialize();
    }
    std::string tone(const std::string& name, double frequency, double seconds) {
        std::string path = sink_.dir() / name;
        fs::create_directories(fs::path(path).parent_path());
        write_tone_wav(path, frequency, seconds);
        return path;
    }
    std::string list(const std::string& name, const std::string& text) {
        write_file(sink_.dir() / name, text);
        return sink_.dir() / name;
    }
    // The strongest frequency of each capture that sounded for a tenth of a
    // second or more, in the order played, to 10 Hz.
    std::vector<int> heard_frequencies() const {
        std::vector<int> result;
        for (const CapturedAudio& part : sink_.heard("media")) {
            CapturedAudio sound = sounding(part, 0.05f);
            if (sound.seconds() >= 0.1) {
                result.push_back(int(sound.dominant_frequency(200, 1000) / 10 + 0.5) * 10);
            }
        }
        return result;
    }
    // Plays for a while as the panel thread lives, noting each entry's
    // title as the tooltip changes to it.
    std::vector<std::string> titles_while(MediaHandle handle, int entries_started) {
        std::vector<std::string> titles;
        std::string last = "L";
        listen_until(
            [&] {
                std::string shown = media_playing_text(handle, "L");
                if (shown != last && shown != "L") {
                    titles.push_back(shown);
                }
                last = shown;
                return int(titles.size()) > entries_started;
            },
            20);
        return titles;
    }
    // Reports that the entry playing now failed, as the graph does.
    void entry_fails() {
        settle();
        IMediaEventSink* events = nullptr;
        media_player.graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&events));
        events->Notify(EC_ERRORABORT, E_FAIL, 0);
        events->Release();
    }

    CaptureSink sink_;
};

TEST_F(Playlists, EntriesPlayInOrderAndTheListLoops) {
    tone("Music/a.wav", 440, 0.3);
    tone("Music/Caf\xC3\xA9.wav", 880, 0.3);
    std::string mp3 = source_file("tests/fixtures/tone.mp3");  // 660 Hz
    std::string path =
        list("Music/Lists/trip.m3u8", "#EXTM3U\r\n..\\a.wav\r\n#EXTINF:1,Gone\r\nmissing.wav\r\n" +
                                          mp3 + "\r\n../Caf\xC3\xA9.wav\r\n");
    MediaHandle handle = media_open(path.c_str());
    ASSERT_EQ(handle, path.c_str());
    media_play(handle, 1);
    std::vector<std::string> titles = titles_while(handle, 3);
    listen(0.2);
    media_stop();
    settle();
    EXPECT_EQ(titles, (std::vector<std::string>{"L: a.wav", "L: tone.mp3", "L: Caf\xC3\xA9.wav",
                                                "L: a.wav"}));
    EXPECT_STREQ(media_playing_text(handle, "trip.m3u8"), "trip.m3u8")
        << "a stopped list names no entry";
    std::vector<int> heard = heard_frequencies();
    ASSERT_GE(heard.size(), 4u);
    EXPECT_EQ(std::vector<int>(heard.begin(), heard.begin() + 4),
              (std::vector<int>{440, 660, 880, 440}));
}

TEST_F(Playlists, StepsWrapBothWaysFromTheEntryThatPlayed) {
    tone("a.wav", 440, 3);
    tone("b.wav", 660, 3);
    tone("c.wav", 880, 3);
    std::string path = list("steps.pls",
                            "[playlist]\nFile3=c.wav\nTitle1=First\nFile1=a.wav\nFile2=b.wav\n"
                            "Title3=Third\n");
    MediaHandle handle = media_open(path.c_str());
    ASSERT_NE(handle, nullptr);
    std::vector<std::string> titles;
    auto note = [&] {
        settle();
        listen(0.3);
        titles.push_back(media_playing_text(handle, "L"));
    };
    media_play(handle, 1);
    note();
    for (int direction : {-1, 1, 1}) {
        media_step(handle, direction);
        note();
    }
    media_stop();  // a pause: the next step goes on from the entry that played
    note();
    media_step(handle, 1);
    note();
    // An entry that fails while it plays gives way to the next.
    entry_fails();
    note();
    media_stop();
    settle();
    EXPECT_EQ(titles, (std::vector<std::string>{"L: First", "L: Third", "L: First", "L: b.wav", "L",
                                                "L: Third", "L: First"}));
    EXPECT_EQ(heard_frequencies(), (std::vector<int>{440, 880, 440, 660, 880, 440}));
}

TEST_F(Playlists, AOneEntryListIsHeardAsItsFileAlone) {
    // The file loops in its one graph, as a file preset does.
    std::string path =
        list("one.pls", "[playlist]\nFile1=" + source_file("tests/fixtures/tone.wav"));
    media_play(media_open(path.c_str()), 1);
    settle();
    listen(1.35);
    media_stop();
    settle();
    std::vector<CapturedAudio> heard = sink_.heard("media");
    ASSERT_EQ(heard.size(), 1u);
    CapturedAudio sound = sounding(heard[0]);
    EXPECT_GT(sound.seconds(), 1.0);
    EXPECT_LT(sound.longest_silence(), 0.05);
}

TEST_F(Playlists, ListsWithNothingToPlayFailOrRest) {
    std::string wav = tone("a.wav", 440, 0.3);
    fs::create_directories(sink_.dir() / "folder.mp3");
    fs::copy_file(wav, sink_.dir() / "binary.m3u");
    std::vector<std::string> failing = {list("missing.m3u", "gone.wav\r\n/nowhere/gone.mp3\r\n"),
                                        list("empty.m3u", ""),
                                        sink_.dir() / "binary.m3u",
                                        list("headless.pls", "File1=a.wav\n"),
                                        list("folder.m3u", "folder.mp3\n"),
                                        sink_.dir() / "absent.m3u"};
    for (const std::string& path : failing) {
        media_open(path.c_str());
    }
    // Stations are reached only when they play: a list of them opens.
    std::string stations = list("stations.m3u", "http://127.0.0.1:9/a\nhttps://127.0.0.1:9/b\n");
    media_open(stations.c_str());
    ASSERT_TRUE(settle());
    for (const std::string& path : failing) {
        EXPECT_EQ(media_opened(path.c_str()), MEDIA_OPEN_FAILED) << path;
    }
    EXPECT_EQ(media_opened(stations.c_str()), MEDIA_OPEN_OK);

    // A list whose entries went after it opened rests at once, and says so.
    std::string gone = list("gone.m3u", "a.wav\n");
    MediaHandle handle = media_open(gone.c_str());
    ASSERT_TRUE(settle());
    fs::remove(wav);
    media_play(handle, 1);
    ASSERT_TRUE(settle());
    EXPECT_STREQ(media_playing_text(handle, "gone.m3u"), "gone.m3u (nothing plays)");

    // A list whose entries each fail while playing: one round, then it
    // rests, until it is played again.
    tone("b.wav", 550, 3);
    tone("c.wav", 660, 3);
    std::string failing_list = list("failing.m3u", "b.wav\nc.wav\n");
    handle = media_open(failing_list.c_str());
    media_play(handle, 1);
    for (const char* entry : {"L: b.wav", "L: c.wav"}) {
        ASSERT_TRUE(listen_until(
            [&] { return media_playing_text(handle, "L") == std::string(entry); }, 10));
        listen(0.2);
        entry_fails();
    }
    EXPECT_TRUE(listen_until(
        [&] { return media_playing_text(handle, "L") == std::string("L (nothing plays)"); }, 10));
    size_t heard_by_now = sink_.heard("media").size();
    listen(0.5);
    EXPECT_EQ(sink_.heard("media").size(), heard_by_now) << "no entry is tried again";
    media_play(handle, 1);
    EXPECT_TRUE(listen_until(
        [&] { return media_playing_text(handle, "L") == std::string("L: b.wav"); }, 10));
    listen(0.2);
    media_stop();
    settle();
    EXPECT_EQ(heard_frequencies(), (std::vector<int>{550, 660, 550}));
}

TEST_F(Playlists, OnlyTheFirstThousandEntriesAreRead) {
    std::string text;
    for (int n = 1; n < 1000; ++n) {
        text += "missing" + std::to_string(n) + ".wav\n";
    }
    tone("thousandth.wav", 440, 0.3);
    tone("beyond.wav", 880, 0.3);
    std::string path = list("long.m3u", text + "thousandth.wav\nbeyond.wav\n");
    media_play(media_open(path.c_str()), 1);
    listen(1.0);
    media_stop();
    settle();
    std::vector<int> heard = heard_frequencies();
    ASSERT_GE(heard.size(), 2u) << "the list came round to its one entry again";
    EXPECT_EQ(heard, std::vector<int>(heard.size(), 440));
}

}  // namespace
