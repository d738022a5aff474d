// The program as the window tests drive it: the product's window and program block, plus a test
// hook that puts the window into each of its layouts through the controller's real operations (a
// setup run is the real one, over setup steps that stand in for the workstation), and that reports
// what the window painted.
#include <windows.h>
#include <commctrl.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/frmMainTestAccess.h"
#include "app/win32/Win32Program.h"
#include "app/win32/Win32ViewMessages.h"
#include "app/win32/Win32ViewPaint.h"
#include "core/CloudSetupError.h"
#include "win/WindowTestProtocol.h"

using namespace zelv;
using namespace zelv::test;
using Microsoft::WRL::ComPtr;

namespace {

const UString LongSystemFailure =
    u"Connection error: System Error.  Code: 10060.\r\nA connection attempt failed because the connected party did "
    u"not properly respond after a period of time, or established connection failed because connected host has "
    u"failed to respond";
const UString IntegrityFailure =
    u"DLL integrity check failed \u2014 hash mismatch. The downloaded file does not match the expected version.";

// Set once the run has reached the add-in step and, for the running layout, held there until the
// window goes.
HANDLE ReachedDownload = CreateEventW(nullptr, TRUE, FALSE, nullptr);
HANDLE ReleaseDownload = CreateEventW(nullptr, TRUE, FALSE, nullptr);

TSetupSteps StandInSteps(TTestLayout ALayout)
{
    TSetupSteps Steps;
    Steps.GetDesktopPath = [] { return UString(u"C:\\Users\\demo\\Desktop"); };
    Steps.WriteRDPFile = [ALayout](const UString& ADesktop, const UString& ACode, const UString&) {
        if (ALayout == tlFinishedWithErrors && ACode == u"BETA-01")
            throw ECloudSetupError(u"System Error.  Code: 5.\r\nAccess is denied");
        return ADesktop + u"\\" + ACode + u" Zelv Cloud.rdp";
    };
    Steps.DownloadDLL = [ALayout](UString& AError) {
        SetEvent(ReachedDownload);
        if (ALayout == tlRunning)
            WaitForSingleObject(ReleaseDownload, INFINITE);
        if (ALayout == tlFinishedWithErrors) {
            AError = IntegrityFailure;
            return false;
        }
        return true;
    };
    Steps.GetDLLInstallPath = [] { return UString(u"C:\\ProgramData\\ZelvCloud\\"); };
    Steps.GetDLLFileName = [] { return UString(u"zelvcloud64.dll"); };
    Steps.RegisterDLLInRegistry = [] { return true; };
    Steps.DisableUDP = [] { return true; };
    return Steps;
}

// Runs the window's messages, the run's steps among them, until ADone holds or AEvent is set.
template <class TDone>
void PumpUntil(TDone ADone, HANDLE AEvent = nullptr)
{
    while (!ADone() && !(AEvent && WaitForSingleObject(AEvent, 0) == WAIT_OBJECT_0)) {
        MsgWaitForMultipleObjectsEx(AEvent ? 1 : 0, AEvent ? &AEvent : nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG Message;
        while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&Message);
            DispatchMessageW(&Message);
        }
    }
}

// The companies page in each layout of a run, reached as a user reaches it: the last company
// unticked with Space, then a click on the set-up button.
void ShowRunLayout(TMainForm& AForm, HWND AWindow, TTestLayout ALayout)
{
    TMainFormTestAccess::ShowCompanies(AForm, {{u"ACME", u"rds.acme.example"},
                                               {u"BETA-01", u"10.20.30.40"},
                                               {u"GAMMA", u"gamma.zelv.cloud"}});
    HWND List = GetDlgItem(AWindow, static_cast<int>(TCtl::lstCompanies));
    SendMessageW(List, LB_SETCURSEL, 2, 0);
    SendMessageW(List, WM_KEYDOWN, VK_SPACE, 0);
    if (ALayout == tlSelection)
        return;
    TMainFormTestAccess::SetSetupSteps(AForm, StandInSteps(ALayout));
    AForm.Click(TCtl::btnSetup);
    if (ALayout == tlRunning) {
        PumpUntil([] { return false; }, ReachedDownload);
        // The log shows its lines a moment after they come: the layout is there once it shows all.
        HWND Log = GetDlgItem(AWindow, static_cast<int>(TCtl::memoStatus));
        PumpUntil([&] { return GetWindowTextLengthW(Log) == static_cast<int>(AForm.Text(TCtl::memoStatus).size()); });
        return;
    }
    PumpUntil([&] { return AForm.Text(TCtl::lblBtnSetup) == u"Close"; });
    if (ALayout == tlFinishedLogOpened)
        AForm.Click(TCtl::FLblShowLog);
}

void ShowLayout(TMainForm& AForm, HWND AWindow, TTestLayout ALayout)
{
    switch (ALayout) {
    case tlEmail: AForm.ShowPanel(TCtl::PanelEmail); break;
    case tlCode: AForm.ShowPanel(TCtl::PanelCode); break;
    case tlEmailFailure:
        AForm.ShowPanel(TCtl::PanelEmail);
        AForm.SetStatus(TCtl::lblEmailStatus, LongSystemFailure, true);
        break;
    case tlCodeFailure:
        AForm.ShowPanel(TCtl::PanelCode);
        AForm.SetStatus(TCtl::lblCodeStatus, LongSystemFailure, true);
        break;
    default: ShowRunLayout(AForm, AWindow, ALayout); break;
    }
}

// The window as it painted itself, frame included, the part of it that lies on the screen.
struct TCapture {
    HDC DC = nullptr;
    HBITMAP Bitmap = nullptr;
    HGDIOBJ Old = nullptr;
    void* Bits = nullptr;
    int Width = 0, Height = 0;
    POINT ClientOrigin = {};  // where the client area starts in the capture

    explicit TCapture(HWND AWindow)
    {
        RedrawWindow(AWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        RECT Window = {}, OnScreen = {};
        GetWindowRect(AWindow, &Window);
        const RECT Screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        IntersectRect(&OnScreen, &Window, &Screen);
        Width = OnScreen.right - OnScreen.left;
        Height = OnScreen.bottom - OnScreen.top;
        POINT Client = {0, 0};
        ClientToScreen(AWindow, &Client);
        ClientOrigin = {Client.x - OnScreen.left, Client.y - OnScreen.top};
        BITMAPINFO Info = {};
        Info.bmiHeader.biSize = sizeof Info.bmiHeader;
        Info.bmiHeader.biWidth = Width;
        Info.bmiHeader.biHeight = -Height;
        Info.bmiHeader.biPlanes = 1;
        Info.bmiHeader.biBitCount = 32;
        HDC WindowDC = GetDCEx(AWindow, nullptr, DCX_WINDOW | DCX_CACHE);
        DC = CreateCompatibleDC(WindowDC);
        Bitmap = CreateDIBSection(WindowDC, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
        Old = SelectObject(DC, Bitmap);
        BitBlt(DC, 0, 0, Width, Height, WindowDC, OnScreen.left - Window.left, OnScreen.top - Window.top, SRCCOPY);
        GdiFlush();
        ReleaseDC(AWindow, WindowDC);
    }
    ~TCapture()
    {
        SelectObject(DC, Old);
        DeleteObject(Bitmap);
        DeleteDC(DC);
    }
    TCapture(const TCapture&) = delete;
    TCapture& operator=(const TCapture&) = delete;

    COLORREF ClientPixel(int AX, int AY) const
    {
        const int X = ClientOrigin.x + AX, Y = ClientOrigin.y + AY;
        if (X < 0 || Y < 0 || X >= Width || Y >= Height)
            return CLR_INVALID;
        const uint32_t Pixel = static_cast<const uint32_t*>(Bits)[Y * Width + X];
        return RGB((Pixel >> 16) & 0xFF, (Pixel >> 8) & 0xFF, Pixel & 0xFF);
    }

    bool SavePng(const std::wstring& APath) const
    {
        ComPtr<IWICImagingFactory> Factory;
        ComPtr<IWICBitmap> Picture;
        ComPtr<IWICStream> Stream;
        ComPtr<IWICBitmapEncoder> Encoder;
        ComPtr<IWICBitmapFrameEncode> Frame;
        WICPixelFormatGUID Format = GUID_WICPixelFormat32bppBGR;
        return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&Factory))) &&
               SUCCEEDED(Factory->CreateBitmapFromMemory(Width, Height, GUID_WICPixelFormat32bppBGR, Width * 4,
                                                         Width * Height * 4, static_cast<BYTE*>(Bits), &Picture)) &&
               SUCCEEDED(Factory->CreateStream(&Stream)) &&
               SUCCEEDED(Stream->InitializeFromFilename(APath.c_str(), GENERIC_WRITE)) &&
               SUCCEEDED(Factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &Encoder)) &&
               SUCCEEDED(Encoder->Initialize(Stream.Get(), WICBitmapEncoderNoCache)) &&
               SUCCEEDED(Encoder->CreateNewFrame(&Frame, nullptr)) && SUCCEEDED(Frame->Initialize(nullptr)) &&
               SUCCEEDED(Frame->SetSize(Width, Height)) && SUCCEEDED(Frame->SetPixelFormat(&Format)) &&
               SUCCEEDED(Frame->WriteSource(Picture.Get(), nullptr)) && SUCCEEDED(Frame->Commit()) &&
               SUCCEEDED(Encoder->Commit());
    }
};

// Measured here, apart from the view's own code: each shown label's text, wrapped as labels wrap,
// against the label's box.
struct TCutLabel {
    int Id = 0;
};

BOOL CALLBACK FindCutLabel(HWND AChild, LPARAM AFound)
{
    wchar_t Class[16] = {};
    GetClassNameW(AChild, Class, 16);
    if (lstrcmpiW(Class, L"Static") != 0 || !IsWindowVisible(AChild))
        return TRUE;
    std::wstring Text(static_cast<size_t>(GetWindowTextLengthW(AChild)) + 1, L'\0');
    Text.resize(GetWindowTextW(AChild, Text.data(), static_cast<int>(Text.size())));
    RECT Client = {};
    GetClientRect(AChild, &Client);
    HDC DC = GetDC(AChild);
    HGDIOBJ Old = SelectObject(DC, reinterpret_cast<HFONT>(SendMessageW(AChild, WM_GETFONT, 0, 0)));
    RECT Measured = {0, 0, Client.right, 0};
    DrawTextW(DC, Text.c_str(), -1, &Measured, DT_NOPREFIX | DT_WORDBREAK | DT_CALCRECT);
    SelectObject(DC, Old);
    ReleaseDC(AChild, DC);
    if (Measured.bottom > Client.bottom || Measured.right > Client.right) {
        reinterpret_cast<TCutLabel*>(AFound)->Id = GetDlgCtrlID(AChild);
        return FALSE;
    }
    return TRUE;
}

// Counts what reaches a window of the view: stacked on its own procedures, it sees every
// message first, sent or posted.
struct TMessageCount {
    int Messages = 0;
    long Characters = 0;
};

LRESULT CALLBACK CountingProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR, DWORD_PTR ACount)
{
    auto& Count = *reinterpret_cast<TMessageCount*>(ACount);
    ++Count.Messages;
    if ((AMessage == WM_SETTEXT || AMessage == EM_REPLACESEL) && ALParam)
        Count.Characters += lstrlenW(reinterpret_cast<const wchar_t*>(ALParam));
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
}

std::vector<TListItem> Companies(int ACount)
{
    std::vector<TListItem> Items;
    for (int I = 0; I < ACount; ++I)
        Items.push_back({u"C" + IntToUStr(100000 + I).substr(1) + u"  (rds.example)", true, I});
    return Items;
}

// Everything the window has to paint, painted now.
void PaintAll(HWND AWindow) { RedrawWindow(AWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

LRESULT CountViewMessages(TMainForm& AForm, HWND AWindow, TViewEvent AEvent, int ACount)
{
    HWND List = GetDlgItem(AWindow, static_cast<int>(TCtl::lstCompanies));
    HWND Log = GetDlgItem(AWindow, static_cast<int>(TCtl::memoStatus));
    const auto LogShown = [&] { return GetWindowTextLengthW(Log) == static_cast<int>(AForm.Text(TCtl::memoStatus).size()); };
    const auto LogLines = [&] {
        for (int I = 0; I < ACount; ++I)
            AForm.AppendLog(u"RDP: C:\\users\\demo\\Desktop\\C" + IntToUStr(I) + u" Zelv Cloud.rdp");
    };
    // Where the event starts from, uncounted: a list of N companies (none for a fill), or a log of
    // N lines.
    AForm.ListFill(Companies(AEvent == veFillList ? 0 : ACount));
    if (AEvent == veTick)
        SendMessageW(List, LB_SETCURSEL, ACount / 2, 0);
    AForm.ClearLog();
    if (AEvent == veLogLines || AEvent == veClearPending)
        LogLines();
    PumpUntil(LogShown);
    PaintAll(AWindow);

    TMessageCount ListCount, LogCount;
    SetWindowSubclass(List, CountingProc, 1, reinterpret_cast<DWORD_PTR>(&ListCount));
    SetWindowSubclass(Log, CountingProc, 1, reinterpret_cast<DWORD_PTR>(&LogCount));
    switch (AEvent) {
    case veFillList: AForm.ListFill(Companies(ACount)); break;
    case veTick: SendMessageW(List, WM_KEYDOWN, VK_SPACE, 0); break;
    case veListChange:
        AForm.SetEnabled(TCtl::lstCompanies, false);
        AForm.SetEnabled(TCtl::lstCompanies, true);
        break;
    case veLogLines:
    case veClearPending:
        LogLines();
        if (AEvent == veClearPending)
            AForm.ClearLog();
        PumpUntil(LogShown);
        break;
    }
    PaintAll(AWindow);
    RemoveWindowSubclass(List, CountingProc, 1);
    RemoveWindowSubclass(Log, CountingProc, 1);
    return static_cast<LRESULT>(TViewMessages::Pack(ListCount.Messages, LogCount.Messages, LogCount.Characters));
}
}  // namespace

// The stack canaries' value (libssp).
extern "C" void* __stack_chk_guard;

namespace {

bool Answer(TMainForm& AForm, HWND AWindow, WPARAM ACommand, LPARAM AArgument, LRESULT& AResult)
{
    AResult = 1;
    switch (ACommand) {
    case tcSetTaskRunning: TMainFormTestAccess::SetTaskRunning(AForm, AArgument != 0); return true;
    case tcSetBusy: AForm.SetBusy(AArgument != 0); return true;
    case tcShowLayout: ShowLayout(AForm, AWindow, static_cast<TTestLayout>(AArgument)); return true;
    case tcChangeDpi: {
        // What the system sends when the window moves to a monitor of another scaling: the new
        // DPI and a window rectangle that keeps the client area's size in units.
        static UINT OldDpi = GetDpiForWindow(AWindow);
        const UINT Dpi = static_cast<UINT>(AArgument);
        RECT Client = {};
        GetClientRect(AWindow, &Client);
        // The frame keeps its size here: under the test bench it does not scale with the DPI.
        RECT Frame = {};
        GetWindowRect(AWindow, &Frame);
        const int FrameW = Frame.right - Frame.left - Client.right, FrameH = Frame.bottom - Frame.top - Client.bottom;
        RECT Suggested = {Frame.left, Frame.top, Frame.left + MulDiv(Client.right, Dpi, OldDpi) + FrameW,
                          Frame.top + MulDiv(Client.bottom, Dpi, OldDpi) + FrameH};
        // The window grows towards the top when its new size no longer fits below.
        const int Overflow = Suggested.bottom - GetSystemMetrics(SM_CYSCREEN);
        if (Overflow > 0)
            OffsetRect(&Suggested, 0, -std::min<int>(Overflow, Suggested.top));
        SendMessageW(AWindow, WM_DPICHANGED, MAKEWPARAM(Dpi, Dpi), reinterpret_cast<LPARAM>(&Suggested));
        OldDpi = Dpi;
        return true;
    }
    case tcPixelAt:
        AResult = static_cast<LRESULT>(TCapture(AWindow).ClientPixel(LOWORD(AArgument), HIWORD(AArgument)));
        return true;
    case tcScreenshot: {
        wchar_t Path[MAX_PATH] = {};
        AResult = GlobalGetAtomNameW(static_cast<ATOM>(AArgument), Path, MAX_PATH) && TCapture(AWindow).SavePng(Path);
        return true;
    }
    case tcFail:
        if (AArgument == 0)
            throw ECloudSetupError(u"The window could not do that");
        throw 42;
    case tcHighContrast:
        win32::ReplaceHighContrastQuery(AArgument ? +[] { return true; } : nullptr);
        return true;
    case tcSetEnabled: AForm.SetEnabled(static_cast<TCtl>(LOWORD(AArgument)), HIWORD(AArgument) != 0); return true;
    case tcCountViewMessages:
        AResult = CountViewMessages(AForm, AWindow, static_cast<TViewEvent>(LOWORD(AArgument)), HIWORD(AArgument));
        return true;
    case tcLogTimerSet: AResult = KillTimer(AWindow, win32::LogTimer) ? 1 : 0; return true;
    case tcStackGuard: AResult = reinterpret_cast<LRESULT>(__stack_chk_guard); return true;
    case tcCutLabel: {
        TCutLabel Found;
        EnumChildWindows(AWindow, FindCutLabel, reinterpret_cast<LPARAM>(&Found));
        AResult = Found.Id;
        return true;
    }
    }
    return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE, PWSTR, int AShowCommand)
{
    const UINT Hook = RegisterWindowMessageW(TestHookMessage);
    return win32::RunProgram(AInstance, AShowCommand,
                             [Hook](TMainForm& AForm, HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult) {
                                 // A run held at the add-in step goes on once the window is gone.
                                 if (AMessage == WM_DESTROY)
                                     SetEvent(ReleaseDownload);
                                 if (AMessage != Hook)
                                     return false;
                                 if (!Answer(AForm, AWindow, AWParam, ALParam, AResult))
                                     AResult = 0;
                                 return true;
                             });
}
