/* The marks of bench/StartupMarks.h: kept in a fixed table (no allocation, no C runtime needed to
 * take one) and written out when the process ends. */
#include <windows.h>
#include <psapi.h>

#include "bench/StartupMarks.h"

enum { MaxMarks = 256, MaxName = 56 };

struct TMark {
    LONGLONG Ticks;
    DWORD Thread;
    SIZE_T WorkingSet;
    char Name[MaxName];
};

static struct TMark Marks[MaxMarks];
static volatile LONG Taken;
/* Whether a mark reads the working set too (ZELV_STARTUP_MARKS_MEMORY set): under Wine that reads
 * the process's status from the system, which takes long enough to lengthen the steps. */
static volatile LONG WithMemory = -1;

static int SameName(const char* AName, const char* ADetail, const char* AStored)
{
    const char* Part = AName;
    for (int Half = 0; Half < 2; ++Half, Part = ADetail)
        for (; Part && *Part; ++Part, ++AStored)
            if (*Part != *AStored)
                return 0;
    return *AStored == '\0';
}

void ZelvStartupMark(const char* AName, const char* ADetail)
{
    LARGE_INTEGER Now;
    QueryPerformanceCounter(&Now);
    const LONG Count = Taken < MaxMarks ? Taken : MaxMarks;
    for (LONG I = 0; I < Count; ++I)
        if (Marks[I].Ticks && SameName(AName, ADetail, Marks[I].Name))
            return;
    const LONG Slot = InterlockedIncrement(&Taken) - 1;
    if (Slot >= MaxMarks)
        return;
    struct TMark* Mark = &Marks[Slot];
    int Length = 0;
    const char* Part = AName;
    for (int Half = 0; Half < 2; ++Half, Part = ADetail)
        for (; Part && *Part && Length + 1 < MaxName; ++Part)
            Mark->Name[Length++] = *Part;
    Mark->Name[Length] = '\0';
    Mark->Thread = GetCurrentThreadId();
    if (WithMemory < 0)
        WithMemory = GetEnvironmentVariableW(L"ZELV_STARTUP_MARKS_MEMORY", NULL, 0) != 0;
    PROCESS_MEMORY_COUNTERS Memory = {sizeof Memory};
    if (WithMemory && K32GetProcessMemoryInfo(GetCurrentProcess(), &Memory, sizeof Memory))
        Mark->WorkingSet = Memory.WorkingSetSize;
    Mark->Ticks = Now.QuadPart;
}

/* Writes AValue in decimal at AOut; returns the number of digits. */
static int Decimal(char* AOut, unsigned long long AValue)
{
    char Digits[24];
    int Count = 0;
    do {
        Digits[Count++] = (char)('0' + AValue % 10);
        AValue /= 10;
    } while (AValue);
    for (int I = 0; I < Count; ++I)
        AOut[I] = Digits[Count - 1 - I];
    return Count;
}

/* Once the program is done: nothing of this runs while it starts. */
__attribute__((destructor)) static void WriteMarks(void)
{
    wchar_t Path[MAX_PATH];
    const DWORD Length = GetEnvironmentVariableW(L"ZELV_STARTUP_MARKS", Path, MAX_PATH);
    if (Length == 0 || Length >= MAX_PATH)
        return;
    HANDLE File = CreateFileW(Path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (File == INVALID_HANDLE_VALUE)
        return;
    const LONG Count = Taken < MaxMarks ? Taken : MaxMarks;
    for (LONG I = 0; I < Count; ++I) {
        if (!Marks[I].Ticks)
            continue;
        char Line[128];
        int Size = Decimal(Line, (unsigned long long)Marks[I].Ticks);
        Line[Size++] = ' ';
        Size += Decimal(Line + Size, Marks[I].Thread);
        Line[Size++] = ' ';
        Size += Decimal(Line + Size, Marks[I].WorkingSet);
        Line[Size++] = ' ';
        for (const char* Char = Marks[I].Name; *Char; ++Char)
            Line[Size++] = *Char;
        Line[Size++] = '\n';
        DWORD Written;
        WriteFile(File, Line, (DWORD)Size, &Written, NULL);
    }
    CloseHandle(File);
}
