// Where the back-ends' sound goes: the speakers (the system's default
// device), nowhere (still paced in real time), or one WAV file per stream in
// a folder, with a note of when each first sounds. A choice that is none of
// these is refused and the one before kept; SKYTUNE_AUDIO is read once.
#include <sys/stat.h>
#include <sys/time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/first_sound.h"
#include "platform/native/standin.h"

namespace plat {
namespace {

// The choice is made on the host's thread and read wherever a stream
// starts: a filter graph's caller, MCI commands, the sound device.
std::mutex lock;
SinkKind sink_kind = SinkKind::Real;
std::string capture_dir;
bool sink_checked = false;
std::map<std::string, int> capture_counts;

// With lock held.
bool choose(const char* choice) {
    sink_checked = true;
    if (choice == nullptr || strcmp(choice, "auto") == 0) {
        sink_kind = SinkKind::Real;
        return true;
    }
    if (strcmp(choice, "null") == 0) {
        sink_kind = SinkKind::Null;
        return true;
    }
    if (strncmp(choice, "wav:", 4) == 0 && choice[4] != '\0') {
        sink_kind = SinkKind::Wav;
        capture_dir = choice + 4;
        mkdir(capture_dir.c_str(), 0777);
        capture_counts.clear();
        return true;
    }
    return false;
}

// With lock held.
void sink_from_environment() {
    if (sink_checked) {
        return;
    }
    const char* choice = getenv("SKYTUNE_AUDIO");
    if (choice != nullptr && !choose(choice)) {
        fprintf(stderr, "skytune: SKYTUNE_AUDIO=%s is not auto, null or wav:DIR\n", choice);
    }
    sink_checked = true;
}

}  // namespace

bool set_audio_sink(const char* choice) {
    std::lock_guard<std::mutex> hold(lock);
    return choose(choice);
}

SinkKind audio_sink_kind() {
    std::lock_guard<std::mutex> hold(lock);
    sink_from_environment();
    return sink_kind;
}

std::string audio_capture_path(const char* stream) {
    std::lock_guard<std::mutex> hold(lock);
    sink_from_environment();
    int n = ++capture_counts[stream];
    return capture_dir + "/" + stream + "-" + std::to_string(n) + ".wav";
}

}  // namespace plat

namespace plat {

bool note_first_sound(const std::string& capture_path, const int16_t* samples, size_t count,
                      int channels, int rate) {
    // About -54 dB of full scale: well above dither, well below any tone.
    const int threshold = 64;
    size_t i = 0;
    while (i < count && samples[i] <= threshold && samples[i] >= -threshold) {
        ++i;
    }
    if (i == count) {
        return false;
    }
    timeval now;
    gettimeofday(&now, nullptr);
    // Capture threads of several streams may note at once.
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    size_t slash = capture_path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : capture_path.substr(0, slash);
    FILE* log = fopen((dir + "/first-sound.txt").c_str(), "a");
    if (log != nullptr) {
        // The samples are heard from now on: the loud one a little later.
        double offset = double(i / size_t(channels)) / rate;
        fprintf(log, "%s %.6f\n", capture_path.substr(slash + 1).c_str(),
                double(now.tv_sec) + double(now.tv_usec) / 1e6 + offset);
        fclose(log);
    }
    return true;
}

}  // namespace plat
