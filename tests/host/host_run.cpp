// Running the host binary and reading what it wrote.
#include "tests/host/host_run.h"

#include <fcntl.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tools/demo_disc/wav_file.h"

#ifndef HOST_PATH
#error "HOST_PATH names the built skytune-host"
#endif
#ifndef GAUGE_PATH
#error "GAUGE_PATH names the built skytune.gau"
#endif

namespace fs = std::filesystem;

std::vector<std::string> HostRun::lines(const std::string& prefix) const {
    return lines_of(out, prefix);
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
    run.out = read_file(out_path);
    run.err = read_file(err_path);
    return run;
}

HostFolder::HostFolder() : root_(dir_.path().string()) {
    fs::copy_file(GAUGE_PATH, gauge());
}

std::string HostFolder::path(const std::string& name) const {
    return name.empty() ? root_ : root_ + "/" + name;
}

void HostFolder::write_tone(const std::string& name, double frequency, double seconds) const {
    fs::create_directories(fs::path(path(name)).parent_path());
    write_tone_wav(path(name), frequency, seconds);
}

HostRun HostFolder::run(const std::string& script, const std::vector<std::string>& extra) const {
    std::string script_path = path("script.txt");
    std::ofstream(script_path) << script;
    std::vector<std::string> argv = {
        HOST_PATH, "--gauge",    gauge(),     "--audio", "wav:" + audio_dir(),
        "--trace", trace_file(), "--headless"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.push_back("--script");
    argv.push_back(script_path);
    fs::create_directories(audio_dir());
    return run_command(argv, root_);
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
