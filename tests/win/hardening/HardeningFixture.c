// A program for the hardening check's own test: a function with a local buffer (a canary with
// -fstack-protector-strong) that copies into it a length known only at run time (a checked copy
// with _FORTIFY_SOURCE). Its targets build it once with everything on and once for each thing the
// check must miss.
#include <string.h>

#include <windows.h>

#ifdef FIXTURE_WRITABLE_CODE
__asm__(".section .wxcode,\"wx\"\n\tret\n\t.text");
#endif
#ifdef FIXTURE_SHARED
__attribute__((section(".shared"), shared)) volatile int SharedCounter = 1;
#endif

__attribute__((noinline)) static int Copied(const wchar_t* AText, size_t ALength)
{
    char Buffer[32];
    memcpy(Buffer, AText, ALength);
    return Buffer[0];
}

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE APrevious, PWSTR ACommandLine, int AShow)
{
    (void)AInstance, (void)APrevious, (void)AShow;
    return Copied(ACommandLine, wcslen(ACommandLine));
}
