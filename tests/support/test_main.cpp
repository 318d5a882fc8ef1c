#include "test_support.h"

int wmain(int argc, wchar_t **argv)
{
    return TestMain(argc, argv);
}
