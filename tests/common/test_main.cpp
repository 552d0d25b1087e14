#include <gtest/gtest.h>

#include "tests/common/test_env.h"

int main(int argc, char** argv) {
    dravik::test::SetUpIsolatedEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
