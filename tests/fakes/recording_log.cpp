#include "platform/native/standin.h"
#include "tests/fakes/recording_backends.h"

std::vector<std::string> backend_calls;
std::set<std::string> playable_files;
std::string cd_tooltip_reply;

void backends_reset() {
    backend_calls.clear();
    playable_files.clear();
    cd_tooltip_reply.clear();
}

void record_backend_call(const std::string& call) {
    backend_calls.push_back(call);
    plat::Trace("backend").sym(call.c_str());
}
