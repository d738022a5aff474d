#pragma once

#include "platform/IBackground.h"
#include "platform/ICodePage.h"
#include "platform/IDigest.h"
#include "platform/IEnvironment.h"
#include "platform/IFileWriter.h"
#include "platform/IHttpClient.h"
#include "platform/IInstallFiles.h"
#include "platform/ILocale.h"
#include "platform/IWorkstation.h"
#include "platform/IProcessLauncher.h"
#include "platform/IRegistry.h"

namespace zelv::platform {

// The process-wide platform object: the one way the core reaches the operating system. The
// program installs the Win32 implementations at start; a test replaces single members for its own
// scope with TPlatformScope. Members are not owned here.
struct TPlatform {
    ILocale* Locale = nullptr;
    ICodePage* CodePage = nullptr;
    IEnvironment* Environment = nullptr;
    IHttpClient* Http = nullptr;
    IWorkerPool* WorkerPool = nullptr;
    IGuiThread* GuiThread = nullptr;
    IWorkstation* Workstation = nullptr;
    IRegistry* Registry = nullptr;
    IProcessLauncher* Launcher = nullptr;
    IInstallFiles* InstallFiles = nullptr;
    IDigest* Digest = nullptr;
    IFileWriter* FileWriter = nullptr;
};

TPlatform& Current();

// Replaces members of the current platform object until the scope ends, then restores all of them.
class TPlatformScope {
public:
    TPlatformScope() : FSaved(Current()) {}
    ~TPlatformScope() { Current() = FSaved; }
    TPlatformScope(const TPlatformScope&) = delete;
    TPlatformScope& operator=(const TPlatformScope&) = delete;

    TPlatform* operator->() { return &Current(); }

private:
    TPlatform FSaved;
};

// The installed member, or a raised failure naming the missing service (a program fault).
[[noreturn]] void RaiseMissing(const char* AName);
template <class T>
T& Use(T* AMember, const char* AName)
{
    if (!AMember)
        RaiseMissing(AName);
    return *AMember;
}

inline ILocale& Locale() { return Use(Current().Locale, "Locale"); }
inline ICodePage& CodePage() { return Use(Current().CodePage, "CodePage"); }
inline IEnvironment& Environment() { return Use(Current().Environment, "Environment"); }
inline IHttpClient& Http() { return Use(Current().Http, "Http"); }
inline IWorkerPool& WorkerPool() { return Use(Current().WorkerPool, "WorkerPool"); }
inline IGuiThread& GuiThread() { return Use(Current().GuiThread, "GuiThread"); }
inline IWorkstation& Workstation() { return Use(Current().Workstation, "Workstation"); }
inline IRegistry& Registry() { return Use(Current().Registry, "Registry"); }
inline IProcessLauncher& Launcher() { return Use(Current().Launcher, "Launcher"); }
inline IInstallFiles& InstallFiles() { return Use(Current().InstallFiles, "InstallFiles"); }
inline IDigest& Digest() { return Use(Current().Digest, "Digest"); }
inline IFileWriter& FileWriter() { return Use(Current().FileWriter, "FileWriter"); }

}  // namespace zelv::platform
