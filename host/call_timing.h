// How long each call into the module takes (--timing FILE): one line per
// call, "START DURATION WHAT", START the wall time it began in seconds since
// the epoch, DURATION in microseconds. A frame loop stutters when one call
// runs long, so the host measures every call it makes, one by one; script
// commands appear as marks with no duration, to tell the phases of a run
// apart.
#pragma once

#include <chrono>
#include <string>

void call_timing_to(const char* path);  // null stops it
bool call_timing_on();

// A line "START - WHAT" that marks a moment of the run.
void call_timing_mark(const std::string& what);

// Times one call from construction to destruction.
class TimedCall {
  public:
    explicit TimedCall(const char* what, const std::string& detail = std::string());
    ~TimedCall();
    TimedCall(const TimedCall&) = delete;
    TimedCall& operator=(const TimedCall&) = delete;

    // Leaves this call out of the file (it turned out to do nothing).
    void skip() { on_ = false; }

  private:
    bool on_;
    const char* what_;
    std::string detail_;
    double wall_start_ = 0;
    std::chrono::steady_clock::time_point start_;
};
