// Child processes of a test program, and the main() of every test program.
#include "test_support.h"

#include <map>

static std::map<std::string, ChildProcedure> &Children()
{
    static std::map<std::string, ChildProcedure> children;
    return children;
}

bool RegisterChild(const char *name, ChildProcedure procedure)
{
    Children()[name] = procedure;
    return true;
}

DWORD RunChild(const std::string &name, const std::wstring &argument, const std::wstring &folder)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(NULL, exe, MAX_PATH);
    Process child;
    if (!child.Start(exe, folder, L"--child=" + Widen(name) + L" \"" + argument + L"\""))
        return 0xDEADBEEF;
    DWORD code = child.Wait(60000);
    if (code == STILL_ACTIVE) {
        TerminateProcess(child.info.hProcess, 0xDEADBEEF);
        return 0xDEADBEEF;
    }
    return code;
}

int TestMain(int argc, wchar_t **argv)
{
    if (argc >= 2 && wcsncmp(argv[1], L"--child=", 8) == 0) {
        std::string name = Narrow(argv[1] + 8);
        auto found = Children().find(name);
        if (found == Children().end())
            return 0xBAD;
        return found->second(argc >= 3 ? argv[2] : L"");
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
