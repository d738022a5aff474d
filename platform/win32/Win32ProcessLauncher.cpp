#include "platform/win32/Win32ProcessLauncher.h"

#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

class TWin32Process : public platform::IProcess {
public:
    explicit TWin32Process(UniqueHandleObj AProcess) : FProcess(std::move(AProcess)) {}
    void Wait(unsigned long AMilliseconds) override { WaitForSingleObject(FProcess.Get(), AMilliseconds); }

private:
    UniqueHandleObj FProcess;
};

// The shell may hand the verb to extensions that need COM on the calling thread; a thread that
// already has another apartment keeps it.
class TComScope {
public:
    TComScope() : FInitialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~TComScope()
    {
        if (FInitialised)
            CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

private:
    bool FInitialised;
};

}  // namespace

platform::TShellExecuteResult TWin32ProcessLauncher::Execute(const platform::TShellExecuteRequest& ARequest)
{
    TComScope Com;
    std::wstring Verb = ToW(ARequest.Verb);
    std::wstring File = ToW(ARequest.File);
    std::wstring Parameters = ToW(ARequest.Parameters);

    SHELLEXECUTEINFOW Info{};
    Info.cbSize = sizeof(Info);
    Info.fMask = ARequest.Mask;
    Info.hwnd = nullptr;
    Info.lpVerb = Verb.c_str();
    Info.lpFile = File.c_str();
    Info.lpParameters = Parameters.c_str();
    Info.lpDirectory = nullptr;
    Info.nShow = ARequest.Show;

    platform::TShellExecuteResult Result;
    if (!ShellExecuteExW(&Info)) {
        Result.Error = GetLastError();
        return Result;
    }
    UniqueHandleObj Process(Info.hProcess);
    Result.Started = true;
    if (Process)
        Result.Process = std::make_unique<TWin32Process>(std::move(Process));
    return Result;
}

UString TWin32ProcessLauncher::SystemDirectory()
{
    wchar_t Buffer[MAX_PATH + 1];
    UINT Length = GetSystemDirectoryW(Buffer, MAX_PATH + 1);
    if (Length == 0 || Length > MAX_PATH) {
        std::wstring Large(Length ? Length : 32768, L'\0');
        Length = GetSystemDirectoryW(Large.data(), static_cast<UINT>(Large.size()));
        if (Length == 0 || Length >= Large.size())
            return UString();
        Large.resize(Length);
        return U(Large);
    }
    return U(Buffer, Length);
}

}  // namespace zelv::win32
