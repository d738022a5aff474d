// A plain program, as the planting test's proof that it sees a library taken from beside the
// program. Built twice:
// - with PROBE_STATIC_IMPORT it imports msimg32 statically and does nothing else;
// - without, it loads dwmapi.dll by its bare name; given "confined", it first restricts the
//   library search to the system directory, as the product does.
// Exits 0 when the library loaded.
#include <windows.h>

#ifdef PROBE_STATIC_IMPORT

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE APrevious, PWSTR ACommandLine, int AShow)
{
    (void)AInstance, (void)APrevious, (void)ACommandLine, (void)AShow;
    BLENDFUNCTION Blend = {AC_SRC_OVER, 0, 255, 0};
    // Blends nothing; it is only there to be imported.
    AlphaBlend(NULL, 0, 0, 0, 0, NULL, 0, 0, 0, 0, Blend);
    return 0;
}

#else

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE APrevious, PWSTR ACommandLine, int AShow)
{
    (void)AInstance, (void)APrevious, (void)AShow;
    if (lstrcmpW(ACommandLine, L"confined") == 0)
        SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadLibraryW(L"dwmapi.dll") ? 0 : 1;
}

#endif
