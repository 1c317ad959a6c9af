// The run's sound card, heard. wine_session.sh plays each Wine run into a
// null sink of a sound server of the run's own (paced in real time, as a
// sound card is) and pipes the sink's monitor into the driver's standard
// input as 16-bit stereo at 48 kHz. A thread of the driver reads it and
// stamps each block with QueryPerformanceCounter as it arrives, so that a
// press the driver timed and the sound it made are on one clock.
//
// Times are seconds on that clock (capture_clock). A question about a
// stretch waits until the capture has passed its end (a few seconds at
// most), then answers with what was heard; the measures of the answer are
// those of tests/support/sound_measures.h. For example, a tone heard:
//   sounding(capture_heard(a, b)).dominant_frequency(200, 2000, 1)
// its level in dB: 20 * log10(capture_heard(a, b).rms()) (or of its peak(),
// which gaps in the sound leave alone); the longest silence:
// capture_heard(a, b).longest_silence(); the time of the first sample
// after t: sounding(capture_heard(t, u), 0.002f).start, when not empty.
#pragma once

#include <string>

#include "tests/support/sound_measures.h"

// Starts hearing the standard input; false, saying why, when nothing that
// sounds like a capture arrives there.
bool capture_start(std::string& why);
// Now, on the capture's clock.
double capture_clock();
// What was heard from one time to another; its start is the time of its
// first sample. Empty when the capture has nothing of that stretch.
CapturedAudio capture_heard(double from, double to);
// The first sample of the sound that a press made at `from` started: after
// its click and the quiet that follows it (the sound it stopped, then its
// start). -1 when nothing has begun by `until`.
double capture_started_sound(double from, double until);
