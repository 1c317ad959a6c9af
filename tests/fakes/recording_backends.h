// Stand-ins for the audio back-ends that record each call the radio's core
// makes, so that tests can check the calls and their order.
#pragma once

#include <set>
#include <string>
#include <vector>

// Every call, in order, as "name args" (a media handle shows its path).
extern std::vector<std::string> backend_calls;
// The paths that the fake media_open accepts.
extern std::set<std::string> playable_files;

void backends_reset();
