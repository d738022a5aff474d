#include "platform/win32/Win32Platform.h"

#include "platform/Platform.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32HttpClient.h"
#include "platform/win32/Win32Locale.h"

namespace zelv::win32 {

void InstallWin32Platform()
{
    static TWin32Locale GLocale;
    static TWin32CodePage GCodePage;
    static TWin32Environment GEnvironment;
    static TWin32HttpClient GHttp;

    platform::TPlatform& P = platform::Current();
    P.Locale = &GLocale;
    P.CodePage = &GCodePage;
    P.Environment = &GEnvironment;
    P.Http = &GHttp;
}

}  // namespace zelv::win32
