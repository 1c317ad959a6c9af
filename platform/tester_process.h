// The file tester (skytune-filetest) as the library sees it: started on
// first need from beside the library, asked about several files at once,
// and started afresh when it has gone.
#pragma once

#include <functional>
#include <string>

namespace plat {

// Called with each of the tester's words on a file (file_tester/protocol.h),
// on the thread that reads them: SOUNDS, perhaps more than once, then the
// last word, which ends the question.
using TesterAnswer = std::function<void(const char* word)>;

// Asks the tester about path: a number for the question, or 0 when there
// is no tester to ask (answer is then never called). (start_file_tester,
// in standin.h, starts it ahead of its first question.)
unsigned long ask_file_tester(const std::string& path, TesterAnswer answer);

// Something waits for the last word on that question: it goes first.
void hurry_file_tester(unsigned long question);

}  // namespace plat
