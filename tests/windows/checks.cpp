#include "tests/windows/checks.h"

#include <cstdio>

namespace {
int passed = 0;
int failed = 0;
}  // namespace

void check(bool ok, const std::string& what) {
    if (ok) {
        ++passed;
        return;
    }
    ++failed;
    printf("FAILED: %s\n", what.c_str());
    fflush(stdout);
}

void check_equal(const std::string& actual, const std::string& expected, const std::string& what) {
    check(actual == expected, what + ": got \"" + actual + "\", expected \"" + expected + "\"");
}

int checks_failed() {
    return failed;
}

void print_tally() {
    printf("%d passed, %d failed\n", passed, failed);
    fflush(stdout);
}
