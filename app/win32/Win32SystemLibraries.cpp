#include "app/win32/Win32SystemLibraries.h"

#include <delayimp.h>

#include "bench/StartupMarks.h"

namespace zelv::win32 {

void ConfineLibrarySearch() noexcept
{
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");
    SetSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
}

namespace {

// What Windows' own libraries load by bare name for a library the program loads, in ways that
// need not heed the confined search: a system library's own delay-loads are bound by the loader,
// which may look in the program's folder first whatever the process set (Wine's does; the
// planting test in tests/win/planting shows which). Each is loaded by its full path before the
// library that asks for it, so that such a load finds it loaded already.
struct TLoadsByName {
    const wchar_t* Library;
    const wchar_t* Loads[8];  // up to the first nullptr
};
constexpr TLoadsByName LoadsByName[] = {
    {L"uxtheme.dll", {L"msimg32.dll"}},
    {L"winhttp.dll", {L"crypt32.dll", L"secur32.dll"}},
};

}  // namespace

// Runs before the C runtime is set up (from ZelvProcessStart), so it uses the system's calls only.
HMODULE LoadSystemLibrary(const wchar_t* AName) noexcept
{
    for (const TLoadsByName& Entry : LoadsByName)
        if (lstrcmpiW(Entry.Library, AName) == 0)
            for (const wchar_t* Loaded : Entry.Loads)
                if (Loaded)
                    LoadSystemLibrary(Loaded);
    wchar_t Path[MAX_PATH];
    UINT Length = GetSystemDirectoryW(Path, MAX_PATH);
    if (Length == 0 || Length >= MAX_PATH)
        return nullptr;
    Path[Length++] = L'\\';
    for (const wchar_t* Name = AName; *Name; ++Name) {
        if (Length + 1 >= MAX_PATH)
            return nullptr;
        Path[Length++] = *Name;
    }
    Path[Length] = L'\0';
    return LoadLibraryExW(Path, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

TLibraryPreload::~TLibraryPreload()
{
    if (FThread.joinable())
        FThread.join();
}

void TLibraryPreload::Start()
{
    if (FThread.joinable())
        return;
    FThread = std::thread([] {
        for (const wchar_t* Name : {L"winhttp.dll", L"bcrypt.dll", L"shell32.dll"})
            LoadSystemLibrary(Name);
    });
}

namespace {

// The C runtime's helper binds a delay-loaded library by its bare name; this hook hands it the
// library loaded by its full path instead. comctl32 is left to the helper: its name is what the
// manifest redirects to the common controls of the side-by-side store, and the search is confined
// by then. The names are the import tables' ASCII.
FARPROC WINAPI LoadDelayedLibrary(unsigned ANotice, PDelayLoadInfo AInfo)
{
    if (ANotice != dliNotePreLoadLibrary || !AInfo || !AInfo->szDll || lstrcmpiA(AInfo->szDll, "comctl32.dll") == 0)
        return nullptr;
    wchar_t Name[MAX_PATH];
    size_t Length = 0;
    for (const char* Char = AInfo->szDll; *Char; ++Char) {
        if (Length + 1 >= MAX_PATH)
            return nullptr;
        Name[Length++] = static_cast<unsigned char>(*Char);
    }
    Name[Length] = L'\0';
    return reinterpret_cast<FARPROC>(LoadSystemLibrary(Name));
}

}  // namespace

}  // namespace zelv::win32

// Declared with C linkage by <delayimp.h>.
PfnDliHook __pfnDliNotifyHook2 = zelv::win32::LoadDelayedLibrary;

// The C runtime's entry of a GUI program (crt2u.o with -municode).
extern "C" int WinMainCRTStartup();
// The stack canaries' value (libssp). Its constructor fills it only while it is zero, and then
// through CryptAcquireContext, which maps and starts a whole cryptographic provider before the
// first window: ZelvProcessStart fills it first, from the system's random number generator.
extern "C" void* __stack_chk_guard;

namespace {

// Without a canary of its own: the value changes while it runs. RtlGenRandom is looked up once the
// search is confined, not imported: Windows' advapi32 forwards it to cryptbase, which is not one
// of the known libraries, so that one is loaded by its full path first (Wine's advapi32 has its
// own, and no cryptbase).
__attribute__((no_stack_protector)) void FillStackGuard() noexcept
{
    zelv::win32::LoadSystemLibrary(L"cryptbase.dll");
    using TGenRandom = BOOLEAN(WINAPI*)(PVOID, ULONG);
    const auto GenRandom = reinterpret_cast<TGenRandom>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "SystemFunction036")));
    void* Guard = nullptr;
    if (GenRandom && GenRandom(&Guard, sizeof Guard) && Guard)
        __stack_chk_guard = Guard;
}

}  // namespace

// Without a canary: the C runtime's start-up, which it calls, sets the canary's value up, so a
// check on the way out would compare against the value from before. Neither returns anyway.
extern "C" __attribute__((no_stack_protector)) int ZelvProcessStart()
{
    ZELV_MARK("entry");
    zelv::win32::ConfineLibrarySearch();
    ZELV_MARK("library confinement");
    FillStackGuard();
    ZELV_MARK("stack canary");
    // Every window maps the theme library, and Windows' own libraries ask for it by bare name;
    // once it is loaded from the system directory, no such load can find another.
    zelv::win32::LoadSystemLibrary(L"uxtheme.dll");
    ZELV_MARK("theme library");
    return WinMainCRTStartup();
}
