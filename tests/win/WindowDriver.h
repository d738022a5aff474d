#pragma once

// Drives a test build of the program from a second process, as a user would: starts it, finds its
// window and controls by id, reads them through window messages and saves screenshots. The
// including test program defines ZELV_WINDOW_UNDER_TEST and ZELV_SCREENSHOT_FOLDER.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <string>

#include "app/frmMainLayout.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Text.h"
#include "win/WindowTestProtocol.h"

namespace zelv::test {

using Microsoft::WRL::ComPtr;

inline constexpr wchar_t ProgramPath[] = ZELV_WINDOW_UNDER_TEST;
inline constexpr wchar_t ScreenshotFolder[] = ZELV_SCREENSHOT_FOLDER;
inline constexpr wchar_t FormClass[] = L"TZelvCloudSetupForm";
inline constexpr wchar_t Title[] = L"ZELV Cloud Setup";
inline constexpr DWORD StartTimeoutMs = 20000;
inline constexpr DWORD StepTimeoutMs = 5000;

inline int Id(TCtl AControl) { return static_cast<int>(AControl); }

// Polls ACondition until it holds or the time-out passes.
template <class TCondition>
bool WaitFor(TCondition ACondition, DWORD ATimeoutMs = StepTimeoutMs)
{
    const ULONGLONG Until = GetTickCount64() + ATimeoutMs;
    while (!ACondition()) {
        if (GetTickCount64() > Until)
            return false;
        Sleep(20);
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
    TProgram()
    {
        STARTUPINFOW Startup = {};
        Startup.cb = sizeof Startup;
        PROCESS_INFORMATION Info = {};
        std::wstring CommandLine = L"\"" + std::wstring(ProgramPath) + L"\"";
        if (!CreateProcessW(ProgramPath, CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Info))
            return;
        FProcess = win32::UniqueHandleObj(Info.hProcess);
        win32::UniqueHandleObj Thread(Info.hThread);
        FProcessId = Info.dwProcessId;
        WaitFor([this] { return (FWindow = TopWindowOf(FProcessId, FormClass)) != nullptr; }, StartTimeoutMs);
        // The pages not shown at start get their windows right after the first paint; the result
        // line, added by the controller, is the last of them.
        if (FWindow)
            WaitFor([this] { return Child(TCtl::FLblSetupResult) != nullptr; }, StartTimeoutMs);
        if (FWindow)
            FThreadId = GetWindowThreadProcessId(FWindow, nullptr);
        FHookMessage = RegisterWindowMessageW(TestHookMessage);
    }

    ~TProgram()
    {
        if (!FProcess)
            return;
        if (FWindow && IsWindow(FWindow)) {
            Hook(tcSetTaskRunning, 0);
            PostMessageW(FWindow, WM_CLOSE, 0, 0);
        }
        if (WaitForSingleObject(FProcess.Get(), StepTimeoutMs) != WAIT_OBJECT_0)
            TerminateProcess(FProcess.Get(), 1);
    }

    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    HWND Window() const { return FWindow; }
    HANDLE Process() const { return FProcess.Get(); }
    DWORD ProcessId() const { return FProcessId; }
    HWND Child(TCtl AId) const { return GetDlgItem(FWindow, Id(AId)); }
    std::wstring Text(TCtl AId) const { return TextOf(Child(AId)); }
    bool Showing(TCtl AId) const { return IsWindowVisible(Child(AId)) != FALSE; }
    bool Enabled(TCtl AId) const { return IsWindowEnabled(Child(AId)) != FALSE; }
    LRESULT Hook(TTestCommand ACommand, LPARAM AArgument) const
    {
        return SendMessageW(FWindow, FHookMessage, ACommand, AArgument);
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

    COLORREF PixelAt(int AClientX, int AClientY) const
    {
        Hook(tcPaintNow, 0);
        POINT Point = {AClientX, AClientY};
        ClientToScreen(FWindow, &Point);
        HDC Screen = GetDC(nullptr);
        const COLORREF Color = GetPixel(Screen, Point.x, Point.y);
        ReleaseDC(nullptr, Screen);
        return Color;
    }

    // Saves the whole window, frame included, as it is on the screen.
    void Screenshot(const std::wstring& AName) const;

private:
    win32::UniqueHandleObj FProcess;
    DWORD FProcessId = 0;
    DWORD FThreadId = 0;
    HWND FWindow = nullptr;
    UINT FHookMessage = 0;
};

inline void TProgram::Screenshot(const std::wstring& AName) const
{
    Hook(tcPaintNow, 0);
    Sleep(150);  // the X server shows what the program painted a moment later
    // A blit reaching beyond the screen gives nothing at all: take the part that is on it.
    RECT Window = {}, Frame = {};
    GetWindowRect(FWindow, &Window);
    const RECT Screen0 = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&Frame, &Window, &Screen0);
    const int Width = Frame.right - Frame.left, Height = Frame.bottom - Frame.top;
    BITMAPINFO Info = {};
    Info.bmiHeader.biSize = sizeof Info.bmiHeader;
    Info.bmiHeader.biWidth = Width;
    Info.bmiHeader.biHeight = -Height;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    void* Bits = nullptr;
    HDC Screen = GetDC(nullptr);
    HDC Memory = CreateCompatibleDC(Screen);
    HBITMAP Bitmap = CreateDIBSection(Screen, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    HGDIOBJ Old = SelectObject(Memory, Bitmap);
    BitBlt(Memory, 0, 0, Width, Height, Screen, Frame.left, Frame.top, SRCCOPY);
    GdiFlush();

    CreateDirectoryW(ScreenshotFolder, nullptr);
    const std::wstring Path = std::wstring(ScreenshotFolder) + L"/" + AName + L".png";
    ComPtr<IWICImagingFactory> Factory;
    ComPtr<IWICBitmap> Picture;
    ComPtr<IWICStream> Stream;
    ComPtr<IWICBitmapEncoder> Encoder;
    ComPtr<IWICBitmapFrameEncode> FrameEncode;
    WICPixelFormatGUID Format = GUID_WICPixelFormat32bppBGR;
    const bool Saved =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&Factory))) &&
        SUCCEEDED(Factory->CreateBitmapFromMemory(Width, Height, GUID_WICPixelFormat32bppBGR, Width * 4, Width * Height * 4,
                                                  static_cast<BYTE*>(Bits), &Picture)) &&
        SUCCEEDED(Factory->CreateStream(&Stream)) &&
        SUCCEEDED(Stream->InitializeFromFilename(Path.c_str(), GENERIC_WRITE)) &&
        SUCCEEDED(Factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &Encoder)) &&
        SUCCEEDED(Encoder->Initialize(Stream.Get(), WICBitmapEncoderNoCache)) &&
        SUCCEEDED(Encoder->CreateNewFrame(&FrameEncode, nullptr)) && SUCCEEDED(FrameEncode->Initialize(nullptr)) &&
        SUCCEEDED(FrameEncode->SetSize(Width, Height)) && SUCCEEDED(FrameEncode->SetPixelFormat(&Format)) &&
        SUCCEEDED(FrameEncode->WriteSource(Picture.Get(), nullptr)) && SUCCEEDED(FrameEncode->Commit()) &&
        SUCCEEDED(Encoder->Commit());

    SelectObject(Memory, Old);
    DeleteObject(Bitmap);
    DeleteDC(Memory);
    ReleaseDC(nullptr, Screen);
    EXPECT_TRUE(Saved) << "screenshot " << DebugUtf8(win32::U(Path));
}

}  // namespace zelv::test
