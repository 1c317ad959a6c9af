// What the file stand-in holds open, for tests that check nothing is left
// behind.
#pragma once

#include <string>

namespace plat {

// File and mapping handles not yet closed.
int open_file_handles();
// Views mapped and not yet unmapped.
int mapped_views();

// A file that another part of the platform reads (a filter graph's source)
// cannot be deleted until it lets go, as on Windows.
void hold_file(const std::string& path);
void let_go_file(const std::string& path);

}  // namespace plat
