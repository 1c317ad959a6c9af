// Every test program starts here. Tests are silent unless they capture what
// they play: a test that wants the speakers or a WAV file says so itself.
#include <gtest/gtest.h>

#include <cstdlib>

// On the AddressSanitizer build, a function's locals stay poisoned once it
// returns: a platform call that completes later must never write into them.
extern "C" const char* __asan_default_options() {
    return "detect_stack_use_after_return=1";
}

int main(int argc, char** argv) {
    setenv("SKYTUNE_AUDIO", "null", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
