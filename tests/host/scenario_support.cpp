// Helpers for the host scenario tests.
#include "tests/host/scenario_support.h"

#include "tests/support/scratch_dir.h"

std::string at::preset(int k) {
    static const int centres[] = {160, 197, 230, 264, 297, 333};
    return std::to_string(centres[k - 1]) + " 120";
}

std::vector<std::string> file_lines(const std::string& path) {
    return lines_of(read_file(path));
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
    return lines_of(read_file(trace), call + " ");
}
