// Stand-ins for the audio back-ends that record each call made to them, so
// that tests can check the calls and their order. Each back-end has its own
// file, so a test can pair real back-ends with recording ones.
#pragma once

#include <set>
#include <string>
#include <vector>

// Every call, in order, as "name args" (a media handle shows its path).
extern std::vector<std::string> backend_calls;
// The paths that the recording media_open accepts.
extern std::set<std::string> playable_files;
// What the recording cd_tooltip_text answers.
extern std::string cd_tooltip_reply;

void backends_reset();
// Also written to the platform trace, when it is on, as "backend CALL", so
// that a test sees back-end and platform calls in one order.
void record_backend_call(const std::string& call);
