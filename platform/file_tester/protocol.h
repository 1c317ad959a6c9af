// How the stand-in's library and the file tester (skytune-filetest) talk.
// The library writes requests on the tester's standard input, each ended by
// a NUL: "test ID PATH" (decode the file; ID is the library's number for
// the question) and "hurry ID" (something waits for that file's last word).
// The tester answers on its standard output with lines "ID WORD": SOUNDS as
// soon as the file's first audio is decoded, while the rest is decoded in
// the background, then one of the other words, its last; or that last word
// alone when the decoding ends before any audio. Several files are tested
// at once.
#pragma once

namespace filetest {

// The first audio came out; the last word is still to come.
constexpr char SOUNDS[] = "sounds";
constexpr char DECODES[] = "decodes";
// Nothing recognises the file's type.
constexpr char UNKNOWN_TYPE[] = "unknown-type";
// The type is known but the file does not decode to its end as audio.
constexpr char UNDECODABLE[] = "undecodable";
// The decoding stopped showing progress, or went on too long.
constexpr char TIMED_OUT[] = "timed-out";
// The child that decoded it died.
constexpr char CRASHED[] = "crashed";

// A child that shows no progress for this long, while it may run, is taken
// to be stuck.
constexpr int STALL_MS = 2000;
// More decoded audio than a day's is a decoder going round for ever.
constexpr long long LONGEST_AUDIO_NS = 24LL * 3600 * 1000000000;
// The niceness of a decoding past its first audio that nothing waits for:
// the host's own threads go first. It is set after a grace, in which the
// play that usually follows RenderFile asks for the file's last word (once
// lowered, a priority cannot be raised again).
constexpr int BACKGROUND_NICE = 10;
constexpr int BACKGROUND_GRACE_MS = 1000;

}  // namespace filetest
