// Writes the damaged-file corpus into a folder: the project's own files of
// each format cut short and with bits flipped (fixed seeds, so every run
// tries the same files), and files that lie about what they are.
//   damaged_files SOURCE_DIR OUT_DIR
// Prints one line per file: its name, then "refused" when the platform
// must refuse it whatever it decodes to, or "either".
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes read_all(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write(const fs::path& folder, const std::string& name, const Bytes& bytes, bool refused) {
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    printf("%s %s\n", name.c_str(), refused ? "refused" : "either");
}

Bytes text(const std::string& words) {
    return Bytes(words.begin(), words.end());
}

void put32(Bytes* bytes, size_t at, uint32_t value, bool big_endian) {
    for (int i = 0; i < 4; ++i) {
        (*bytes)[at + static_cast<size_t>(i)] =
            static_cast<unsigned char>(value >> (big_endian ? 24 - 8 * i : 8 * i));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: damaged_files SOURCE_DIR OUT_DIR\n");
        return 2;
    }
    fs::path fixtures = fs::path(argv[1]) / "tests" / "fixtures";
    fs::path out = argv[2];
    fs::create_directories(out);

    for (const char* name : {"tone.wav", "tone.mp3", "tone.wma", "waltz.mid"}) {
        Bytes whole = read_all(fixtures / name);
        for (size_t cut : {size_t(12), whole.size() / 3, 2 * whole.size() / 3, whole.size() - 1}) {
            write(out, "cut" + std::to_string(cut) + "-" + name,
                  Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)), false);
        }
        for (unsigned rate : {1000u, 100u, 20u}) {
            for (unsigned seed : {1u, 2u}) {
                std::mt19937 bits(seed * 7919u + rate);
                Bytes flipped = whole;
                for (size_t bit = 0; bit < flipped.size() * 8; ++bit) {
                    if (bits() % rate == 0) {
                        flipped[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
                    }
                }
                write(out, "flip" + std::to_string(rate) + "-" + std::to_string(seed) + "-" + name,
                      flipped, false);
            }
        }
    }

    write(out, "empty.mp3", Bytes(), true);
    write(out, "text.mp3", text("This is not music.\nJust words in a file named like a song.\n"),
          true);
    write(out, "midi.wma", read_all(fixtures / "tone.mid"), false);
    // A WAV header claiming about four gigabytes of samples after it.
    Bytes huge = read_all(fixtures / "tone.wav");
    huge.resize(4096);
    put32(&huge, 4, 0xFFFFFFF0u, false);
    put32(&huge, 40, 0xFFFFFFC0u, false);
    write(out, "gigabytes.wav", huge, false);
    // A MIDI header claiming 65535 tracks before its one track.
    Bytes tracks = read_all(fixtures / "waltz.mid");
    tracks[10] = 0xFF;
    tracks[11] = 0xFF;
    write(out, "tracks.mid", tracks, false);
    // The parser's endless loop.
    write(out, "looping.mid", read_all(fixtures / "looping.mid"), true);
    fs::create_directories(out / "folder.wav");
    printf("folder.wav refused\n");
    return 0;
}
