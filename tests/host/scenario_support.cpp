// Helpers for the host scenario tests.
#include "tests/host/scenario_support.h"

#include <fstream>

std::string at::preset(int k) {
    static const int centres[] = {160, 197, 230, 264, 297, 333};
    return std::to_string(centres[k - 1]) + " 120";
}

std::vector<std::string> file_lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string element_line(const HostRun& run, const std::string& name, size_t nth) {
    size_t seen = 0;
    for (const std::string& line : run.lines("element ")) {
        size_t start = line.find(' ', 8);
        if (start != std::string::npos &&
            line.compare(start + 1, name.size() + 1, name + " ") == 0) {
            if (seen++ == nth) {
                return line;
            }
        }
    }
    return "";
}

std::vector<std::string> trace_calls(const std::string& trace, const std::string& call) {
    std::vector<std::string> found;
    for (const std::string& line : file_lines(trace)) {
        if (line.compare(0, call.size() + 1, call + " ") == 0) {
            found.push_back(line);
        }
    }
    return found;
}
