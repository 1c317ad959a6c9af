// The stand-in's helper programs (the file tester, the stream reader):
// found beside the library, and started clean.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace plat {

// The path of the program of that name in the library's own folder.
std::string program_beside_library(const char* name);

// Starts program with the arguments (the program's name first). The child's
// descriptor i is descriptors[i] (-1: /dev/null), its standard error goes
// to /dev/null, and it has no other descriptor of ours. It gets an
// environment without the stand-in's switches (SKYTUNE_*: it neither fails
// on purpose, nor traces, nor plays anywhere), the default dispositions of
// the signals a host catches, and a process group of its own, so that a
// signal meant for the host leaves it alone and it can be killed whole.
// The child's pid, or -1 with the reason in *error.
pid_t spawn_clean(const std::string& program, std::vector<std::string> arguments,
                  const std::vector<int>& descriptors, int* error);

}  // namespace plat
