#include "platform/win32/Win32Platform.h"

#include "platform/Platform.h"
#include "platform/win32/Win32Background.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32Digest.h"
#include "platform/win32/Win32InstallFiles.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32HttpClient.h"
#include "platform/win32/Win32FileWriter.h"
#include "platform/win32/Win32Locale.h"
#include "platform/win32/Win32Workstation.h"
#include "platform/win32/Win32ProcessLauncher.h"
#include "platform/win32/Win32Registry.h"

namespace zelv::win32 {

void InstallWin32Platform()
{
    static TWin32Locale GLocale;
    static TWin32CodePage GCodePage;
    static TWin32Environment GEnvironment;
    static TWin32WorkerPool GWorkerPool;
    static TWin32GuiThread GGuiThread;
    static TWin32HttpClient GHttp;
    static TWin32Workstation GWorkstation;
    static TWin32Registry GRegistry;
    static TWin32ProcessLauncher GLauncher;
    static TWin32InstallFiles GInstallFiles;
    static TWin32Digest GDigest;
    static TWin32FileWriter GFileWriter;

    platform::TPlatform& P = platform::Current();
    P.Locale = &GLocale;
    P.CodePage = &GCodePage;
    P.Environment = &GEnvironment;
    P.WorkerPool = &GWorkerPool;
    P.GuiThread = &GGuiThread;
    P.Http = &GHttp;
    P.Workstation = &GWorkstation;
    P.Registry = &GRegistry;
    P.Launcher = &GLauncher;
    P.InstallFiles = &GInstallFiles;
    P.Digest = &GDigest;
    P.FileWriter = &GFileWriter;
}

}  // namespace zelv::win32
