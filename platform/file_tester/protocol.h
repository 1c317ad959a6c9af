// How the stand-in's library and the file tester (skytune-filetest) talk:
// the library writes a path ended by a NUL on the tester's standard input,
// and the tester answers on its standard output with one of the words below
// and a newline. One file at a time.
#pragma once

namespace filetest {

constexpr char DECODES[] = "decodes";
// Nothing recognises the file's type.
constexpr char UNKNOWN_TYPE[] = "unknown-type";
// The type is known but the file does not decode to its end as audio.
constexpr char UNDECODABLE[] = "undecodable";
// The decoding stopped showing progress, or went on too long.
constexpr char TIMED_OUT[] = "timed-out";
// The child that decoded it died.
constexpr char CRASHED[] = "crashed";

// A child that shows no progress for this long is taken to be stuck; none
// runs longer than the limit, however well it goes.
constexpr int STALL_MS = 2000;
constexpr int LIMIT_MS = 30000;

}  // namespace filetest
