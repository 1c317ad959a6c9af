// Shared pieces of the host scenario tests: where the face's controls are,
// and reading the files a run leaves behind.
#pragma once

#include <string>
#include <vector>

#include "tests/host/host_run.h"

// Points inside each control's area on the face.
namespace at {
constexpr const char* POWER = "440 20";
constexpr const char* DOOR = "30 20";
constexpr const char* MODE_CD = "440 59";
constexpr const char* MODE_FM = "440 82";
constexpr const char* MODE_AM = "440 105";
constexpr const char* VOLUME_UP = "25 65";
constexpr const char* VOLUME_DOWN = "25 100";
constexpr const char* PAUSE = "131 120";
constexpr const char* PREV = "363 120";
constexpr const char* NEXT = "387 120";
// Preset button k (1-6).
std::string preset(int k);
}  // namespace at

// The file's lines (without line ends).
std::vector<std::string> file_lines(const std::string& path);

// The `element` line of the named element in a run's output, or empty.
std::string element_line(const HostRun& run, const std::string& name, size_t nth = 0);

// The lines of the trace that start with the call's name.
std::vector<std::string> trace_calls(const std::string& trace, const std::string& call);
