// How the stand-in's internet radio source and its reader (skytune-
// streamread URL) talk. The reader plays the station into its standard
// output as raw PCM in the one format below, and reports on descriptor 3,
// a line at a time: "ready" once the first sound is decoded, "title TEXT"
// whenever the station names what it plays (UTF-8), and "failed connect"
// or "failed decode" before it ends for want of a station or of sound.
#pragma once

namespace streamread {

constexpr int STATUS_FD = 3;
constexpr int RATE = 44100;
constexpr int CHANNELS = 2;  // 16-bit signed, little-endian, interleaved

constexpr char READY[] = "ready";
constexpr char TITLE[] = "title ";
constexpr char FAILED_CONNECT[] = "failed connect";
constexpr char FAILED_DECODE[] = "failed decode";

// A network read that waits longer than this fails the station.
constexpr int READ_TIMEOUT_S = 5;

}  // namespace streamread
