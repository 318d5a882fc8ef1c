// Child processes of a test program, and the main() of every test program.
#include "test_support.h"

#include <stdio.h>
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

// Ends the test program when one test runs far too long: a window nobody
// answers would otherwise keep it waiting until CTest gives up on it.
class Watchdog : public testing::EmptyTestEventListener {
public:
    static const DWORD Limit = 60000;
    void OnTestStart(const testing::TestInfo &test) override
    {
        name_ = std::string(test.test_suite_name()) + "." + test.name();
        started_ = GetTickCount();
        running_ = true;
    }
    void OnTestEnd(const testing::TestInfo &) override { running_ = false; }
    static DWORD WINAPI Watch(void *parameter)
    {
        Watchdog *self = (Watchdog *)parameter;
        for (;;) {
            Sleep(1000);
            if (self->running_ && GetTickCount() - self->started_ > Limit) {
                fprintf(stderr, "\n%s: still running after %lu s, given up\n", self->name_.c_str(), Limit / 1000);
                fflush(stderr);
                ExitProcess(3);
            }
        }
    }

private:
    std::string name_;
    volatile DWORD started_ = 0;
    volatile bool running_ = false;
};

// A child has no test to fail: a failed check, printed by GoogleTest, ends it.
struct EndChildOnFailure : testing::EmptyTestEventListener {
    void OnTestPartResult(const testing::TestPartResult &result) override
    {
        if (result.failed())
            ExitProcess(0xFA11);
    }
};

int TestMain(int argc, wchar_t **argv)
{
    WatchWindowsOfThisThread();
    if (argc >= 2 && wcsncmp(argv[1], L"--child=", 8) == 0) {
        testing::UnitTest::GetInstance()->listeners().Append(new EndChildOnFailure);
        std::string name = Narrow(argv[1] + 8);
        auto found = Children().find(name);
        if (found == Children().end())
            return 0xBAD;
        return found->second(argc >= 3 ? argv[2] : L"");
    }
    testing::InitGoogleTest(&argc, argv);
    Watchdog *watchdog = new Watchdog; // owned by GoogleTest from here
    testing::UnitTest::GetInstance()->listeners().Append(watchdog);
    CloseHandle(CreateThread(NULL, 0, Watchdog::Watch, watchdog, 0, NULL));
    return RUN_ALL_TESTS();
}
