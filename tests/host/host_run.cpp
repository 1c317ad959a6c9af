// Running the host binary and reading what it wrote.
#include "tests/host/host_run.h"

#include <fcntl.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef HOST_PATH
#error "HOST_PATH names the built skytune-host"
#endif
#ifndef GAUGE_PATH
#error "GAUGE_PATH names the built skytune.gau"
#endif

namespace fs = std::filesystem;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::vector<std::string> HostRun::lines(const std::string& prefix) const {
    std::vector<std::string> found;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

HostRun run_command(const std::vector<std::string>& argv, const std::string& folder) {
    HostRun run;
    std::string out_path = folder + "/.stdout";
    std::string err_path = folder + "/.stderr";
    pid_t child = fork();
    if (child == 0) {
        if (chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        dup2(in, STDIN_FILENO);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = slurp(out_path);
    run.err = slurp(err_path);
    return run;
}

HostFolder::HostFolder() {
    std::string pattern = (fs::temp_directory_path() / "skytune-host-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    fs::copy_file(GAUGE_PATH, gauge());
}

HostFolder::~HostFolder() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string HostFolder::path(const std::string& name) const {
    return name.empty() ? root_ : root_ + "/" + name;
}

HostRun HostFolder::run(const std::string& script, const std::vector<std::string>& extra,
                        bool headless) const {
    std::string script_path = path("script.txt");
    std::ofstream(script_path) << script;
    std::vector<std::string> argv = {
        HOST_PATH, "--gauge", gauge(), "--audio", "wav:" + audio_dir(), "--trace", trace_file()};
    if (headless) {
        argv.push_back("--headless");
    }
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.push_back("--script");
    argv.push_back(script_path);
    fs::create_directories(audio_dir());
    return run_command(argv, root_);
}

void write_tone_wav(const std::string& path, double frequency, double seconds, int rate,
                    double level) {
    fs::create_directories(fs::path(path).parent_path());
    uint32_t samples = uint32_t(seconds * rate);
    uint32_t data_bytes = samples * 2;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + data_bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(uint32_t(rate));
    u32(uint32_t(rate) * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(data_bytes);
    for (uint32_t i = 0; i < samples; ++i) {
        double t = double(i) / rate;
        auto value =
            static_cast<int16_t>(std::lround(level * 32767 * std::sin(2 * M_PI * frequency * t)));
        u16(static_cast<uint16_t>(value));
    }
}

Image read_png(const std::string& path) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return Image();
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr) == 0) {
        return Image();
    }
    Image result(int(image.width), int(image.height));
    for (size_t i = 0; i < result.pixels.size(); ++i) {
        result.pixels[i] =
            uint32_t(bytes[i * 3]) << 16 | uint32_t(bytes[i * 3 + 1]) << 8 | bytes[i * 3 + 2];
    }
    return result;
}
