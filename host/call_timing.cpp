// The --timing file.
#include "host/call_timing.h"

#include <sys/time.h>

#include <cstdio>

namespace {

FILE* timing_file = nullptr;

double wall_seconds() {
    timeval now;
    gettimeofday(&now, nullptr);
    return double(now.tv_sec) + double(now.tv_usec) / 1e6;
}

}  // namespace

void call_timing_to(const char* path) {
    if (timing_file != nullptr) {
        fclose(timing_file);
        timing_file = nullptr;
    }
    if (path != nullptr) {
        timing_file = fopen(path, "w");
    }
}

bool call_timing_on() {
    return timing_file != nullptr;
}

void call_timing_mark(const std::string& what) {
    if (timing_file != nullptr) {
        fprintf(timing_file, "%.6f - %s\n", wall_seconds(), what.c_str());
        fflush(timing_file);
    }
}

TimedCall::TimedCall(const char* what, const std::string& detail)
    : on_(timing_file != nullptr), what_(what) {
    if (on_) {
        detail_ = detail;
        wall_start_ = wall_seconds();
        start_ = std::chrono::steady_clock::now();
    }
}

TimedCall::~TimedCall() {
    if (!on_ || timing_file == nullptr) {
        return;
    }
    double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start_)
                    .count();
    fprintf(timing_file, "%.6f %.1f %s%s%s\n", wall_start_, us, what_, detail_.empty() ? "" : " ",
            detail_.c_str());
}
