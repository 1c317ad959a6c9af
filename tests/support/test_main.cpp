// Every test program starts here. Tests are silent unless they capture what
// they play: a test that wants the speakers or a WAV file says so itself.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("SKYTUNE_AUDIO", "null", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
