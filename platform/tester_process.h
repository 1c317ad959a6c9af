// The file tester (skytune-filetest) as the library sees it: started on
// first need from beside the library, asked one file at a time, and started
// afresh when it has gone.
#pragma once

#include <string>

namespace plat {

// The tester's word for the file (file_tester/protocol.h), or empty when
// there is no tester to ask. (start_file_tester, in standin.h, starts it
// ahead of its first question.)
std::string ask_file_tester(const std::string& path);

}  // namespace plat
