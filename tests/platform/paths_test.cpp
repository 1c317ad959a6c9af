// The stand-in's files and paths give the results the radio relies on.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/native/standin.h"
#include "platform/utf8.h"
#include "platform/win32.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stub_module.h"

namespace {

std::string relative(const char* from, DWORD from_attr, const char* to, DWORD to_attr) {
    char out[MAX_PATH] = "unchanged";
    if (!PathRelativePathToA(out, from, from_attr, to, to_attr)) {
        return "(none)";
    }
    return out;
}

TEST(Paths, RelativePathsFromTheCurrentFolder) {
    const DWORD dir = FILE_ATTRIBUTE_DIRECTORY;
    const DWORD file = FILE_ATTRIBUTE_NORMAL;
    EXPECT_EQ(relative("/sim", dir, "/sim/Sound/Jazz.mid", file), "./Sound/Jazz.mid");
    EXPECT_EQ(relative("/sim/", dir, "/Music/Rain.mp3", file), "../Music/Rain.mp3");
    EXPECT_EQ(relative("\\sim\\gauges", dir, "\\sim\\Sound\\", dir), "../Sound/");
    EXPECT_EQ(relative("/sim/panel.cfg", file, "/sim/a.wav", file), "./a.wav");
    EXPECT_EQ(relative("/sim", dir, "/sim", dir), ".");
    // No common root: a target that is itself relative, or a Windows drive.
    EXPECT_EQ(relative("/sim", dir, ".\\Sound\\", dir), "(none)");
    EXPECT_EQ(relative("/sim", dir, "E:\\Audio\\News.wav", file), "(none)");
    std::string deep = "/" + std::string(300, 'x');
    EXPECT_EQ(relative("/sim", dir, deep.c_str(), file), "(none)") << "never past MAX_PATH";
}

TEST(Paths, ExistenceAndFoldersAcceptBothSeparators) {
    ScratchDir dir;
    dir.enter();
    write_file(dir / "Sound/Jazz.mid", "x");
    EXPECT_TRUE(PathFileExistsA(".\\Sound\\Jazz.mid"));
    EXPECT_TRUE(PathFileExistsA("./Sound"));
    EXPECT_FALSE(PathFileExistsA("./Sound/Rain.mp3"));
    EXPECT_FALSE(PathFileExistsA(""));
    EXPECT_TRUE(PathIsDirectoryA(".\\Sound\\"));
    EXPECT_FALSE(PathIsDirectoryA("Sound/Jazz.mid"));

    EXPECT_TRUE(CreateDirectoryA(".\\New\\", nullptr));
    EXPECT_FALSE(CreateDirectoryA("New", nullptr)) << "it exists now";
    EXPECT_FALSE(CreateDirectoryA("Missing/Deeper", nullptr));
    EXPECT_TRUE(RemoveDirectoryA("New"));
    EXPECT_FALSE(PathFileExistsA("New"));
}

TEST(Paths, CurrentDirectoryAndModuleFile) {
    ScratchDir dir;
    dir.enter();
    char buffer[256];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    EXPECT_EQ(std::string(buffer, length), std::filesystem::current_path().string());
    EXPECT_EQ(GetCurrentDirectoryA(4, buffer), length + 1) << "too small: the size needed";

    StubModule module(dir / "Gauges/skytune.gau");
    length = GetModuleFileNameA(module.handle(), buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, length), dir / "Gauges/skytune.gau");
    EXPECT_EQ(GetModuleFileNameA(module.handle(), buffer, 5), 5u);
    EXPECT_EQ(strlen(buffer), 4u) << "cut to the buffer and terminated";
}

TEST(Paths, MoveReplacesOnlyWhenAsked) {
    ScratchDir dir;
    write_file(dir / "a", "new");
    write_file(dir / "b", "old");
    EXPECT_FALSE(MoveFileExA((dir / "a").c_str(), (dir / "b").c_str(), 0));
    EXPECT_TRUE(MoveFileExA((dir / "a").c_str(), (dir / "b").c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(read_file(dir / "b"), "new");
}

// File names reach the wide calls and come back unchanged; bytes that are
// not UTF-8 become U+FFFD one by one, as Windows makes them.
TEST(Text, CodePageConversions) {
    const char name[] = "Caf\xC3\xA9 \xE2\x99\xAB \xF0\x9D\x84\x9E.mid";
    WCHAR wide[32];
    int length = MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 32);
    EXPECT_EQ(length, 14) << "the clef is a surrogate pair; the terminator counts";
    EXPECT_EQ(plat::utf8_from_utf16(wide), name);

    const char bad[] = "a\xC3(\xE0\x80\x80\xED\xA0\x80\xF4\x90\x80\x80\xC3";
    std::u16string decoded = plat::utf16_from_utf8(bad, sizeof bad - 1);
    EXPECT_EQ(decoded, u"a\uFFFD(" + std::u16string(11, u'\uFFFD'))
        << "overlong, surrogate, past U+10FFFF and cut short: each byte alone";
    EXPECT_FALSE(plat::utf8_valid(bad));
    EXPECT_EQ(plat::utf8_from_utf16(u"\xD834x"), "\xEF\xBF\xBDx") << "a lone surrogate";

    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 13), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0), 14) << "the size asked for";
}

}  // namespace
