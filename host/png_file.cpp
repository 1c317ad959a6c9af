// PNG through libpng: 8-bit RGB rows.
#include "host/png_file.h"

#include <png.h>

#include <cstdio>
#include <vector>

bool write_png(const std::string& path, const Image& image) {
    if (image.empty()) {
        return false;
    }
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(size_t(image.width) * 3);
    bool written = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                uint32_t pixel = image.at(x, y);
                row[size_t(x) * 3] = static_cast<png_byte>(pixel >> 16);
                row[size_t(x) * 3 + 1] = static_cast<png_byte>(pixel >> 8);
                row[size_t(x) * 3 + 2] = static_cast<png_byte>(pixel);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    if (fclose(file) != 0) {
        written = false;
    }
    if (!written) {
        remove(path.c_str());
    }
    return written;
}
