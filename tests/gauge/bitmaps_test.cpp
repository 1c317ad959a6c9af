// The face's bitmaps and the version record, as resources.list names them.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/support/scratch_dir.h"

namespace {

struct Size {
    int32_t width, height;
};

// Every face bitmap's id and size; elements with several images use
// consecutive ids.
std::map<int, Size> expected_bitmaps() {
    std::map<int, Size> sizes{{4096, {476, 147}}, {13824, {476, 147}}, {13568, {27, 13}},
                              {16384, {31, 9}},   {17669, {17, 14}},   {17670, {17, 14}},
                              {17672, {8, 7}}};
    for (int id = 12288; id <= 12300; ++id) sizes[id] = {202, 43};
    for (int id = 9472; id <= 9478; ++id) sizes[id] = {197, 19};
    for (int id = 8192; id <= 8195; ++id) sizes[id] = {30, 66};
    return sizes;
}

uint32_t word32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    memcpy(&value, bytes.data() + at, 4);
    return value;
}

uint16_t word16(const std::string& bytes, size_t at) {
    uint16_t value = 0;
    memcpy(&value, bytes.data() + at, 2);
    return value;
}

std::map<std::string, std::string> listed(const std::string& type) {
    std::map<std::string, std::string> files;
    std::ifstream list(RESOURCES_DIR "/resources.list");
    for (std::string line; std::getline(list, line);) {
        std::istringstream fields(line);
        std::string kind, name, path;
        if (fields >> kind >> name >> path && kind == type) {
            files[name] = std::string(RESOURCES_DIR "/") + path;
        }
    }
    return files;
}

TEST(Bitmaps, EachListedBitmapHasItsIdsSizeAndEightBits) {
    std::map<int, Size> expected = expected_bitmaps();
    std::map<std::string, std::string> files = listed("BITMAP");
    EXPECT_EQ(files.size(), expected.size());
    for (const auto& [id, size] : expected) {
        SCOPED_TRACE("bitmap " + std::to_string(id));
        ASSERT_EQ(files.count(std::to_string(id)), 1u);
        std::string bmp = read_file(files[std::to_string(id)]);
        ASSERT_GT(bmp.size(), 54u + 1024u);
        EXPECT_EQ(bmp.compare(0, 2, "BM"), 0);
        EXPECT_EQ(word32(bmp, 14), 40u) << "BITMAPINFOHEADER";
        EXPECT_EQ(static_cast<int32_t>(word32(bmp, 18)), size.width);
        EXPECT_EQ(static_cast<int32_t>(word32(bmp, 22)), size.height) << "bottom-up rows";
        EXPECT_EQ(word16(bmp, 28), 8u) << "bits per pixel";
        EXPECT_EQ(word32(bmp, 30), 0u) << "uncompressed";
        uint32_t colours = word32(bmp, 46) != 0 ? word32(bmp, 46) : 256;
        ASSERT_LE(colours, 256u);
        uint32_t pixels = word32(bmp, 10);
        EXPECT_EQ(pixels, 54 + 4 * colours);
        uint32_t row = (static_cast<uint32_t>(size.width) + 3) & ~3u;
        EXPECT_EQ(bmp.size(), pixels + row * static_cast<uint32_t>(size.height));
        // Index 0 is the transparent black.
        EXPECT_EQ(word32(bmp, 54) & 0x00FFFFFF, 0u);
    }
}

// The Windows version tree: fixed part 3.0.0.0, then Unicode strings.
TEST(Bitmaps, VersionRecordNamesTheProductAndItsVersion) {
    std::map<std::string, std::string> files = listed("VERSION");
    ASSERT_EQ(files.size(), 1u);
    std::string record = read_file(files.begin()->second);
    ASSERT_GT(record.size(), 92u);
    EXPECT_EQ(word16(record, 0), record.size());
    EXPECT_EQ(word16(record, 2), 52u) << "the fixed part's size";
    EXPECT_EQ(word32(record, 40), 0xFEEF04BDu);
    for (size_t at : {48u, 56u}) {  // file and product version
        EXPECT_EQ(word32(record, at), 0x00030000u);
        EXPECT_EQ(word32(record, at + 4), 0u);
    }
    auto unicode = [](const std::string& text) {
        std::string wide;
        for (char c : text) {
            wide += c;
            wide += '\0';
        }
        return wide + std::string(2, '\0');
    };
    for (const char* text : {"ProductName", "SkyTune", "FileVersion", "3.0", "040904B0"}) {
        EXPECT_NE(record.find(unicode(text)), std::string::npos) << text;
    }
}

}  // namespace
