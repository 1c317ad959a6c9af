#include "tests/fakes/recording_backends.h"

std::vector<std::string> backend_calls;
std::set<std::string> playable_files;

void backends_reset() {
    backend_calls.clear();
    playable_files.clear();
}

void record_backend_call(const std::string& call) {
    backend_calls.push_back(call);
}
