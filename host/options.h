// The host's command line.
#pragma once

#include <string>

struct Options {
    std::string gauge;  // empty: the module built beside the host
    bool headless = false;
    bool has_script = false;
    std::string script;  // a file, or "-" for standard input
    bool has_cd = false;
    std::string cd;
    std::string audio = "auto";
    bool has_audio = false;
    std::string trace;
    std::string timing;
    int scale = 1;
    bool help = false;
    bool version = false;
};

// Reads argv; false with a message for a line the host cannot follow.
bool parse_options(int argc, const char* const* argv, Options* options, std::string* error);

extern const char* const USAGE;
