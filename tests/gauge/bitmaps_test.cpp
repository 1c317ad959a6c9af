// The face's bitmaps as its elements use them and resources.list names
// them, and the version record.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <sstream>

#include "gauge/face.h"
#include "gauge/module.h"
#include "host/element_list.h"
#include "tests/support/scratch_dir.h"

namespace {

struct Size {
    int32_t width, height;
};

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
    for (const std::string& line : lines_of(read_file(RESOURCES_DIR "/resources.list"))) {
        std::istringstream fields(line);
        std::string kind, name, path;
        if (fields >> kind >> name >> path && kind == type) {
            files[name] = std::string(RESOURCES_DIR "/") + path;
        }
    }
    return files;
}

// Every image an element shows: listed, an uncompressed bottom-up 8-bit
// bitmap whose index 0 is the transparent black, the same size as the
// element's other images, and on the face; and every listed bitmap is shown.
TEST(Bitmaps, EveryElementImageIsAListedEightBitBitmapOnTheFace) {
    std::map<std::string, std::string> files = listed("BITMAP");
    std::set<std::string> shown;
    auto check = [&](ID id) {
        SCOPED_TRACE("bitmap " + std::to_string(id));
        auto file = files.find(std::to_string(id));
        std::string bmp = file != files.end() ? read_file(file->second) : "";
        if (bmp.size() <= 54u + 1024u) {
            ADD_FAILURE() << "not listed, or no bitmap with a colour table";
            return Size{0, 0};
        }
        Size size{static_cast<int32_t>(word32(bmp, 18)), static_cast<int32_t>(word32(bmp, 22))};
        EXPECT_EQ(bmp.compare(0, 2, "BM"), 0);
        EXPECT_EQ(word32(bmp, 14), 40u) << "BITMAPINFOHEADER";
        EXPECT_GT(size.height, 0) << "bottom-up rows";
        EXPECT_EQ(word16(bmp, 28), 8u) << "bits per pixel";
        EXPECT_EQ(word32(bmp, 30), 0u) << "uncompressed";
        uint32_t colours = word32(bmp, 46) != 0 ? word32(bmp, 46) : 256;
        EXPECT_LE(colours, 256u);
        uint32_t pixels = word32(bmp, 10);
        EXPECT_EQ(pixels, 54 + 4 * colours);
        uint32_t row = (static_cast<uint32_t>(size.width) + 3) & ~3u;
        EXPECT_EQ(bmp.size(), pixels + row * static_cast<uint32_t>(size.height));
        EXPECT_EQ(word32(bmp, 54) & 0x00FFFFFF, 0u) << "index 0 is black";
        shown.insert(std::to_string(id));
        return size;
    };
    std::vector<ELEMENT_HEADER*> chain = chain_of(gauge_header.elements_list[0]);
    Size face = check(chain[0]->resource_id);
    for (ELEMENT_HEADER* element : chain) {
        ID id = element->resource_id;
        if (element->element_type == ELEMENT_TYPE_STRING) {
            continue;
        }
        Size first = check(id);
        UINT32 images = element->element_type == ELEMENT_TYPE_ICON
                            ? reinterpret_cast<ELEMENT_ICON*>(element)->num_icons
                            : 1;
        for (UINT32 k = 1; k < images; ++k) {
            Size next = check(id + k);
            EXPECT_TRUE(next.width == first.width && next.height == first.height) << id + k;
        }
        // A needle turns about its position; the rest are placed by it.
        if (element->element_type != ELEMENT_TYPE_NEEDLE) {
            EXPECT_LE(element->position.x + first.width, face.width) << id;
            EXPECT_LE(element->position.y + first.height, face.height) << id;
        }
    }
    EXPECT_EQ(shown.size(), files.size()) << "a listed bitmap that no element shows";
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
