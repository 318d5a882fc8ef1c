#include "test_support.h"

int wmain(int argc, wchar_t **argv)
{
    testing::InitGoogleTest(&argc, argv);
    // The only style on Windows: a death test runs this program again.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    WatchWindowsOfThisThread();
    return RUN_ALL_TESTS();
}
