// The stack protector's guard, the value every protected function keeps
// below its buffers and checks before it returns, and what happens when the
// check fails.
//
// The C runtime's own guard comes from CryptGenRandom, which loads the
// crypto providers (rsaenh, bcrypt, crypt32) before the first window, only
// to make one number. The guard here is made as the Microsoft C runtime
// makes its security cookie, from values that differ in every process and
// need no DLL: the time, the process and thread IDs, the tick count and the
// performance counter, and the processor's random numbers where it has
// them.
#include "base/base.h"

#include <cpuid.h>
#include <stdint.h>

// The status the system ends a process with when its stack's guard was
// overwritten (STATUS_STACK_BUFFER_OVERRUN).
static const UINT StackOverrunStatus = 0xC0000409;

// The names the compiler's protected functions use.
extern "C" {
uintptr_t __stack_chk_guard;              // NOLINT(bugprone-reserved-identifier): the compiler's name
[[noreturn]] void __stack_chk_fail(void); // NOLINT(bugprone-reserved-identifier): the compiler's name
}

// The processor's random number generator, on processors that have one
// (Intel from 2012, AMD from 2015); 0 elsewhere, or when it gives none.
__attribute__((target("rdrnd"), no_stack_protector)) static uintptr_t ProcessorRandom()
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(ecx & bit_RDRND))
        return 0;
    // It may run dry for a moment: a few tries, as its makers advise.
    for (int tries = 0; tries < 10; tries++) {
        unsigned value = 0;
        if (__builtin_ia32_rdrand32_step(&value))
            return value;
    }
    return 0;
}

// Runs before any other initialisation of the program (the status icons'
// among them), so that no protected function is on the stack when the
// guard changes; it is no protected function itself.
__attribute__((constructor(101), no_stack_protector)) static void MakeStackGuard()
{
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    uintptr_t guard = (uintptr_t)time.dwLowDateTime ^ (uintptr_t)time.dwHighDateTime;
    guard ^= (uintptr_t)GetCurrentProcessId() << 16 ^ (uintptr_t)GetCurrentThreadId();
    guard ^= (uintptr_t)GetTickCount() ^ (uintptr_t)counter.LowPart ^ (uintptr_t)counter.HighPart << 8;
    // Where the stack lies differs in every process too (ASLR).
    guard ^= (uintptr_t)&counter;
    guard ^= ProcessorRandom();
    // A guard with a zero byte first stops a string copy from forging it.
    guard &= ~(uintptr_t)0xFF;
    __stack_chk_guard = guard ? guard : (uintptr_t)0xBB40E600;
}

// A protected function's buffer ran over: the process ends at once, as the
// system ends one whose security cookie was overwritten, with nothing run
// that the damaged stack could steer.
void __stack_chk_fail(void)
{
    TerminateProcess(GetCurrentProcess(), StackOverrunStatus);
    for (;;) // TerminateProcess does not return for the process itself
        ;
}
