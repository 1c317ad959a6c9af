// The driver's tally: every check prints one line when it fails, and the run
// ends with "N passed, M failed".
#pragma once

#include <string>

void check(bool ok, const std::string& what);
void check_equal(const std::string& actual, const std::string& expected, const std::string& what);
int checks_failed();
void print_tally();
