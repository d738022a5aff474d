// A program for the import check's own test: it calls one function of another library, which
// its target binds statically or on first use.
#include <windows.h>

#ifdef FIXTURE_FOREIGN
// Of a library that no Windows has.
__declspec(dllimport) int WINAPI ZelvNowhere(void);
#endif

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE APrevious, PWSTR ACommandLine, int AShow)
{
    (void)AInstance, (void)APrevious, (void)ACommandLine, (void)AShow;
#ifdef FIXTURE_FOREIGN
    return ZelvNowhere();
#else
    BLENDFUNCTION Blend = {AC_SRC_OVER, 0, 255, 0};
    return AlphaBlend(NULL, 0, 0, 0, 0, NULL, 0, 0, 0, 0, Blend);
#endif
}
