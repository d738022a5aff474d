#pragma once

// Drives the program from a second process, as a user would: starts it, finds its window and
// controls by id, reads them through window messages and MSAA. The including test program defines
// ZELV_WINDOW_UNDER_TEST and ZELV_SCREENSHOT_FOLDER, and ZELV_WINDOW_UNDER_TEST_SHIPPED when the
// program is the exe handed to users: that one has no test hook, so it is reached through the
// system alone, takes no screenshots and is ended by its process handle when a test leaves it
// running. The test build answers the hook (tests/win/WindowTestProtocol.h): it paints before a
// screenshot, reports pixels and lets a leftover window close.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "app/frmMainLayout.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Text.h"
#include "win/WindowTestProtocol.h"

namespace zelv::test {

inline constexpr wchar_t ProgramPath[] = ZELV_WINDOW_UNDER_TEST;
inline constexpr wchar_t ScreenshotFolder[] = ZELV_SCREENSHOT_FOLDER;
inline constexpr wchar_t FormClass[] = L"TZelvCloudSetupForm";
inline constexpr wchar_t Title[] = L"ZELV Cloud Setup";
inline constexpr DWORD StartTimeoutMs = 20000;
inline constexpr DWORD StepTimeoutMs = 5000;

enum class TBuild {
    TestBuild,  // the product plus the test hook
    Shipped,    // the exe handed to users
};
#ifdef ZELV_WINDOW_UNDER_TEST_SHIPPED
inline constexpr TBuild BuildUnderTest = TBuild::Shipped;
#else
inline constexpr TBuild BuildUnderTest = TBuild::TestBuild;
#endif

inline int Id(TCtl AControl) { return static_cast<int>(AControl); }

// What a screen reader reads of a control, through MSAA from this process. mingw-w64's
// liboleacc.a carries a wrong IID_IAccessible, hence our own.
inline constexpr GUID AccessibleIid = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

struct TAccessibleRead {
    std::wstring Name;
    LONG Role = 0;
    LONG State = 0;
    bool Checked() const { return (State & STATE_SYSTEM_CHECKED) != 0; }
};

inline Microsoft::WRL::ComPtr<IAccessible> AccessibleOf(HWND AWindow)
{
    Microsoft::WRL::ComPtr<IAccessible> Accessible;
    AccessibleObjectFromWindow(AWindow, static_cast<DWORD>(OBJID_CLIENT), AccessibleIid,
                               reinterpret_cast<void**>(Accessible.GetAddressOf()));
    return Accessible;
}

inline TAccessibleRead ReadAccessible(IAccessible& AObject, LONG AChild = CHILDID_SELF)
{
    TAccessibleRead Read;
    VARIANT Child;
    VariantInit(&Child);
    Child.vt = VT_I4;
    Child.lVal = AChild;
    BSTR Name = nullptr;
    if (SUCCEEDED(AObject.get_accName(Child, &Name)) && Name)
        Read.Name = Name;
    SysFreeString(Name);
    VARIANT Value;
    VariantInit(&Value);
    if (SUCCEEDED(AObject.get_accRole(Child, &Value)) && Value.vt == VT_I4)
        Read.Role = Value.lVal;
    VariantClear(&Value);
    if (SUCCEEDED(AObject.get_accState(Child, &Value)) && Value.vt == VT_I4)
        Read.State = Value.lVal;
    VariantClear(&Value);
    return Read;
}

inline TAccessibleRead ReadAccessible(HWND AWindow)
{
    auto Accessible = AccessibleOf(AWindow);
    return Accessible ? ReadAccessible(*Accessible.Get()) : TAccessibleRead{};
}

// The items of a list as a screen reader reads them: name and whether each is ticked.
inline std::vector<TAccessibleRead> AccessibleItems(HWND AList)
{
    std::vector<TAccessibleRead> Items;
    auto Accessible = AccessibleOf(AList);
    LONG Count = 0;
    if (!Accessible || FAILED(Accessible->get_accChildCount(&Count)))
        return Items;
    for (LONG Child = 1; Child <= Count; ++Child)
        Items.push_back(ReadAccessible(*Accessible.Get(), Child));
    return Items;
}

// Waits until ACondition holds or the time-out passes, looking again every 20 ms. Given the
// program's process, the wait ends as soon as the program does, with one last look: nothing on its
// window changes any more, and a program that crashed fails the test at once instead of after the
// time-out.
template <class TCondition>
bool WaitFor(TCondition ACondition, DWORD ATimeoutMs = StepTimeoutMs, HANDLE AProgram = nullptr)
{
    const ULONGLONG Until = GetTickCount64() + ATimeoutMs;
    while (!ACondition()) {
        if (GetTickCount64() > Until)
            return false;
        if (!AProgram)
            Sleep(20);
        else if (WaitForSingleObject(AProgram, 20) == WAIT_OBJECT_0)
            return ACondition();
    }
    return true;
}

struct TFindWindow {
    DWORD ProcessId;
    const wchar_t* Class;
    HWND Found = nullptr;
};

inline BOOL CALLBACK FindProcessWindow(HWND AWindow, LPARAM AFind)
{
    auto* Find = reinterpret_cast<TFindWindow*>(AFind);
    DWORD ProcessId = 0;
    GetWindowThreadProcessId(AWindow, &ProcessId);
    wchar_t Class[64] = {};
    GetClassNameW(AWindow, Class, 64);
    if (ProcessId == Find->ProcessId && lstrcmpW(Class, Find->Class) == 0 && IsWindowVisible(AWindow)) {
        Find->Found = AWindow;
        return FALSE;
    }
    return TRUE;
}

inline HWND TopWindowOf(DWORD AProcessId, const wchar_t* AClass)
{
    TFindWindow Find{AProcessId, AClass};
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&Find));
    return Find.Found;
}

inline std::wstring TextOf(HWND AWindow)
{
    std::wstring Text(static_cast<size_t>(SendMessageW(AWindow, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    Text.resize(static_cast<size_t>(SendMessageW(AWindow, WM_GETTEXT, Text.size(), reinterpret_cast<LPARAM>(Text.data()))));
    return Text;
}

// One run of the program under test, ended when the test ends.
class TProgram {
public:
    explicit TProgram(TBuild ABuild = BuildUnderTest, const wchar_t* APath = ProgramPath) : FBuild(ABuild)
    {
        STARTUPINFOW Startup = {};
        Startup.cb = sizeof Startup;
        PROCESS_INFORMATION Info = {};
        std::wstring CommandLine = L"\"" + std::wstring(APath) + L"\"";
        if (!CreateProcessW(APath, CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Info)) {
            ADD_FAILURE() << "the program did not start: error " << GetLastError();
            return;
        }
        FProcess = win32::UniqueHandleObj(Info.hProcess);
        win32::UniqueHandleObj Thread(Info.hThread);
        FProcessId = Info.dwProcessId;
        Wait([this] { return (FWindow = TopWindowOf(FProcessId, FormClass)) != nullptr; }, StartTimeoutMs);
        // The pages not shown at start get their windows right after the first paint; the result
        // line and the log link, added by the controller in that order, are the last of them.
        if (FWindow)
            Wait([this] { return Child(TCtl::FLblSetupResult) != nullptr && Child(TCtl::FLblShowLog) != nullptr; },
                 StartTimeoutMs);
        DWORD ExitCode = STILL_ACTIVE;
        if (!FWindow && GetExitCodeProcess(FProcess.Get(), &ExitCode) && ExitCode != STILL_ACTIVE)
            ADD_FAILURE() << "the program ended with exit code " << ExitCode << " before its window was up";
        if (FWindow)
            FThreadId = GetWindowThreadProcessId(FWindow, nullptr);
        if (FBuild == TBuild::TestBuild)
            FHookMessage = RegisterWindowMessageW(TestHookMessage);
    }

    ~TProgram()
    {
        if (!FProcess)
            return;
        const bool WindowLeft = FWindow && IsWindow(FWindow);
        if (WindowLeft && FBuild == TBuild::TestBuild) {
            Hook(tcSetTaskRunning, 0);
            PostMessageW(FWindow, WM_CLOSE, 0, 0);
        }
        // The shipped exe refuses to close during a run and has no hook to say otherwise: a window
        // it still shows is ended with its process at once. Whatever does not end by itself is
        // ended by its handle, so the next test starts alone.
        const DWORD Grace = WindowLeft && FBuild == TBuild::Shipped ? 0 : StepTimeoutMs;
        if (WaitForSingleObject(FProcess.Get(), Grace) != WAIT_OBJECT_0) {
            TerminateProcess(FProcess.Get(), 1);
            WaitForSingleObject(FProcess.Get(), StepTimeoutMs);
        }
    }

    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    // Waits for ACondition while the program runs (see WaitFor).
    template <class TCondition>
    bool Wait(TCondition ACondition, DWORD ATimeoutMs = StepTimeoutMs) const
    {
        return WaitFor(ACondition, ATimeoutMs, FProcess.Get());
    }

    HWND Window() const { return FWindow; }
    HANDLE Process() const { return FProcess.Get(); }
    DWORD ProcessId() const { return FProcessId; }
    HWND Child(TCtl AId) const { return GetDlgItem(FWindow, Id(AId)); }
    std::wstring Text(TCtl AId) const { return TextOf(Child(AId)); }
    bool Showing(TCtl AId) const { return IsWindowVisible(Child(AId)) != FALSE; }
    bool Enabled(TCtl AId) const { return IsWindowEnabled(Child(AId)) != FALSE; }
    LRESULT Hook(TTestCommand ACommand, LPARAM AArgument) const
    {
        if (FBuild != TBuild::TestBuild) {
            ADD_FAILURE() << "the shipped exe has no test hook (command " << ACommand << ")";
            return 0;
        }
        return SendMessageW(FWindow, FHookMessage, ACommand, AArgument);
    }

    // Which companies of the list are ticked, as a screen reader reads them.
    std::vector<bool> Ticks() const
    {
        std::vector<bool> Ticked;
        for (const TAccessibleRead& Item : AccessibleItems(Child(TCtl::lstCompanies)))
            Ticked.push_back(Item.Checked());
        return Ticked;
    }

    // A control's rectangle in the window's client coordinates.
    RECT Rect(TCtl AId) const
    {
        RECT Box = {};
        GetWindowRect(Child(AId), &Box);
        MapWindowPoints(nullptr, FWindow, reinterpret_cast<POINT*>(&Box), 2);
        return Box;
    }

    HWND Focus() const
    {
        GUITHREADINFO Info = {};
        Info.cbSize = sizeof Info;
        GetGUIThreadInfo(FThreadId, &Info);
        return Info.hwndFocus;
    }

    // The colour the window painted at a point of its client area, once every pending change is
    // painted: the program reads it from its own window, so nothing depends on when the display
    // shows it.
    COLORREF PixelAt(int AClientX, int AClientY) const
    {
        return static_cast<COLORREF>(Hook(tcPixelAt, MAKELPARAM(AClientX, AClientY)));
    }

    // Saves the whole window, frame included, as the program painted it. Only the test build can:
    // from outside, nothing tells when a paint has reached the screen.
    void Screenshot(const std::wstring& AName) const
    {
        if (FBuild != TBuild::TestBuild)
            return;
        CreateDirectoryW(ScreenshotFolder, nullptr);
        const std::wstring Path = std::wstring(ScreenshotFolder) + L"/" + AName + L".png";
        const ATOM Name = GlobalAddAtomW(Path.c_str());
        EXPECT_EQ(Hook(tcScreenshot, Name), 1) << "screenshot " << DebugUtf8(win32::U(Path));
        GlobalDeleteAtom(Name);
    }

private:
    TBuild FBuild;
    win32::UniqueHandleObj FProcess;
    DWORD FProcessId = 0;
    DWORD FThreadId = 0;
    HWND FWindow = nullptr;
    UINT FHookMessage = 0;
};

}  // namespace zelv::test
