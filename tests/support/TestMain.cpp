#include "support/Isolation.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    IsolateEachTest();
    return RUN_ALL_TESTS();
}
