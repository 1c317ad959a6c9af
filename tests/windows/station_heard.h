// AM preset 2's loopback station heard through the run's sound card
// (capture.h): its tone soon after the press and its ICY title in the
// tooltip; the server stopped, static and "(no signal)" at once; the
// station again when the server is back; silence at once at power off.
// run_driver.sh forwards the commands written into the control folder
// ("stop", "restart") to the test station and writes back its answer.
#pragma once

#include <string>

void hear_station(const std::string& control_folder);
