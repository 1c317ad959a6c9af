// The test CD drive: an MCI driver for the "cdaudio" device type that the
// Wine runs register in their prefix in place of Wine's own. Its disc is a
// folder of PCM WAV files (the tracks, in name order), played through
// waveOut from a whole track to the end of the disc, so a capture of the
// sound card hears it. The process chooses the disc; the drive reads the
// choice when it is first opened and whenever its tray closes.
#pragma once

// The disc: a folder's path, "data" (a data disc of one track), or empty or
// unset for no disc.
#define MCI_TEST_DISC "SKYTUNE_TEST_DISC"
// A file the drive appends a line to for each thing it does, when set.
#define MCI_TEST_DRIVE_LOG "SKYTUNE_TEST_CD_LOG"
