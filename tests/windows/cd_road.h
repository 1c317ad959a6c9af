// CD mode under the real Windows calls, through the test CD drive
// (mci_test_drive.h): a disc of tone tracks, an empty drive, a data disc.
#pragma once

#include <string>

#include "tests/windows/scratch_files.h"

// Each track's tone in Hz, one a track, so that the tracks sound apart.
extern const int DISC_TONES[3];

// Writes the disc's tracks into a folder of the scratch; returns the folder,
// as the drive takes it.
std::string write_tone_disc(const Scratch& s);
// Puts the disc in the drive as a user would: the door opens, the disc goes
// in (an empty string takes it out, "data" is a data disc), the door closes.
void change_disc(const std::string& disc);
// The road, from CD mode with the power on and an empty drive, the panel
// running as the simulator runs it; leaves them so.
void drive_cd_mode(const Scratch& s);
