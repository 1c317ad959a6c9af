// AM preset 2's loopback station heard through the run's sound card
// (capture.h): its tone soon after the press and its ICY title in the
// tooltip; the server stopped, static and "(no signal)" at once; the
// station again when the server is back; silence at once at power off.
// run_driver.sh forwards the commands written into the control folder
// ("stop", "restart") to the test station and writes back its answer.
#pragma once

#include <string>

#include "tests/windows/radio_areas.h"

void hear_station(const std::string& control_folder);
// When a tone began after the press, to 10 ms (within two seconds, the
// panel running meanwhile), on the capture's clock; -1 when it did not. What the press
// stopped may fade out in steps first, so the tone itself is looked for.
double tone_started(const Press& press, double tone);
