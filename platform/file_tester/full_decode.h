// What a child of the file tester does with its one file: decodes it to the
// end as fast as it goes, throwing the sound away.
#pragma once

#include <string>

namespace filetest {

// The child's exit status for each answer.
enum Outcome {
    OUTCOME_DECODES = 0,
    OUTCOME_UNKNOWN_TYPE = 10,
    OUTCOME_UNDECODABLE = 11,
    // More audio than any file holds (protocol.h): the decoder goes round.
    OUTCOME_TOO_LONG = 12
};

// Decodes path; while data comes out, a byte goes to progress_fd now and
// then (the first as soon as the first audio), so the tester can tell a
// slow file from a stuck one.
Outcome decode_fully(const std::string& path, int progress_fd);

}  // namespace filetest
