// Every test program runs with VALDMOOR_HOME pointing at a folder of its own, so no test
// ever touches a real per-user folder.
#include "TestSupport.h"

#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    valdmoor::test::TTempFolder home;
    setenv("VALDMOOR_HOME", home.Path().c_str(), 1);
    return RUN_ALL_TESTS();
}
