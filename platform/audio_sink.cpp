// Where the back-ends' sound goes: the speakers, nowhere, or WAV files.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/native/standin.h"

namespace plat {
namespace {

SinkKind sink_kind = SinkKind::Real;
std::string capture_dir;
bool sink_checked = false;
std::map<std::string, int> capture_counts;

void sink_from_environment() {
    if (sink_checked) {
        return;
    }
    sink_checked = true;
    const char* choice = getenv("SKYTUNE_AUDIO");
    if (choice != nullptr && !set_audio_sink(choice)) {
        fprintf(stderr, "skytune: SKYTUNE_AUDIO=%s is not auto, null or wav:DIR\n", choice);
    }
}

}  // namespace

bool set_audio_sink(const char* choice) {
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

SinkKind audio_sink_kind() {
    sink_from_environment();
    return sink_kind;
}

std::string audio_capture_path(const char* stream) {
    sink_from_environment();
    int n = ++capture_counts[stream];
    return capture_dir + "/" + stream + "-" + std::to_string(n) + ".wav";
}

}  // namespace plat
