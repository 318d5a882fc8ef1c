#include "test_support.h"

static std::map<std::wstring, int (*)()> &Children()
{
    static std::map<std::wstring, int (*)()> children;
    return children;
}

ChildProcedure::ChildProcedure(const wchar_t *name, int (*run)())
{
    Children()[name] = run;
}

int wmain(int argc, wchar_t **argv)
{
    // "--child <name>": ChildArgument(name)
    if (argc == 3 && !wcscmp(argv[1], L"--child") && Children().count(argv[2]))
        return Children()[argv[2]]();
    testing::InitGoogleTest(&argc, argv);
    // The only style on Windows: a death test runs this program again.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    WatchWindowsOfThisThread();
    return RUN_ALL_TESTS();
}
