// The single-line edit boxes (e-mail address, code) and the read-only setup log.
#include "app/win32/Win32Controls.h"
#include "app/win32/Win32SystemLibraries.h"
#include "app/win32/Win32ViewPaint.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

constexpr TAlphaColor EditBorderColor = 0xFFB8B8B8;

// Tells the touch keyboard which layout an edit box wants. The text services library is loaded
// on first use; a system without it simply shows its usual keyboard.
void SetKeyboardKind(HWND AEdit, TKeyboardKind AKind)
{
    constexpr int ScopeEmail = 5;   // IS_EMAIL_SMTPEMAILADDRESS
    constexpr int ScopeNumber = 29; // IS_NUMBER
    if (AKind == TKeyboardKind::Default)
        return;
    using TSetInputScope = HRESULT(WINAPI*)(HWND, int);
    static const auto SetScope = [] {
        HMODULE TextServices = LoadSystemLibrary(L"msctf.dll");
        return TextServices ? reinterpret_cast<TSetInputScope>(
                                  reinterpret_cast<void*>(GetProcAddress(TextServices, "SetInputScope")))
                            : nullptr;
    }();
    if (SetScope)
        SetScope(AEdit, AKind == TKeyboardKind::Email ? ScopeEmail : ScopeNumber);
}

HWND Create(TViewContext& AView, const TControl& AControl)
{
    const DWORD Style = WS_TABSTOP | ES_AUTOHSCROLL | (AControl.HAlign == THAlign::Center ? ES_CENTER : ES_LEFT);
    HWND Window = CreateChildWindow(AView, AControl, L"EDIT", Style, AControl.Text);
    if (!Window)
        return nullptr;
    if (AControl.MaxLength > 0)
        SendMessageW(Window, EM_LIMITTEXT, AControl.MaxLength, 0);
    if (!AControl.Prompt.empty())
        SendMessageW(Window, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(W(AControl.Prompt)));
    SetKeyboardKind(Window, AControl.Keyboard);
    return Window;
}

void Sync(TViewContext&, HWND AWindow, const TControl& AControl)
{
    if (WindowText(AWindow) != AControl.Text)
        SetWindowTextW(AWindow, W(AControl.Text));
}

// A flat frame: grey, or two pixels of blue around the box that has the focus.
void PaintFrame(const TViewContext& AView, HWND AWindow)
{
    const TWindowDC WindowDC(AWindow, TWindowDC::WholeWindow);
    HDC DC = WindowDC.Get();
    RECT Window = {}, Client = {};
    GetWindowRect(AWindow, &Window);
    GetClientRect(AWindow, &Client);
    MapWindowPoints(AWindow, nullptr, reinterpret_cast<POINT*>(&Client), 2);
    OffsetRect(&Client, -Window.left, -Window.top);
    OffsetRect(&Window, -Window.left, -Window.top);
    ExcludeClipRect(DC, Client.left, Client.top, Client.right, Client.bottom);
    UniqueBrush PaperBrush(CreateSolidBrush(PaperColor(AView)));
    FillRect(DC, &Window, PaperBrush.Get());
    const bool Focused = GetFocus() == AWindow;
    COLORREF Border = ToColorRef(Focused ? claButtonBlue : EditBorderColor);
    if (AView.HighContrast())
        Border = GetSysColor(Focused ? COLOR_HIGHLIGHT : COLOR_WINDOWTEXT);
    UniqueBrush BorderBrush(CreateSolidBrush(Border));
    const int Line = Focused ? std::max(1, AView.Scale(2)) : std::max(1, AView.Scale(1));
    for (int I = 0; I < Line; ++I) {
        RECT Ring = {Window.left + I, Window.top + I, Window.right - I, Window.bottom - I};
        FrameRect(DC, &Ring, BorderBrush.Get());
    }
}

// Centres the single line of text vertically: the space above and below it becomes part of the
// frame.
void CentreText(const TViewContext& AView, HWND AWindow, NCCALCSIZE_PARAMS& ASize)
{
    RECT& Box = ASize.rgrc[0];
    TEXTMETRICW Metrics = {};
    {
        const TWindowDC DC(AWindow);
        const TSelectedObject Font(DC.Get(), reinterpret_cast<HFONT>(SendMessageW(AWindow, WM_GETFONT, 0, 0)));
        GetTextMetricsW(DC.Get(), &Metrics);
    }
    const int Border = std::max(2, AView.Scale(2)), Inner = Box.bottom - Box.top - 2 * Border;
    const int Pad = std::max(0, static_cast<int>(Inner - Metrics.tmHeight) / 2);
    Box.left += Border + AView.Scale(6);
    Box.right -= Border + AView.Scale(6);
    Box.top += Border + Pad;
    Box.bottom = std::max(Box.top, Box.bottom - Border - Pad);
}

bool Message(TViewContext& AView, HWND AWindow, const TControl& AControl, UINT AMessage, WPARAM AWParam, LPARAM ALParam,
             LRESULT& AResult)
{
    switch (AMessage) {
    case WM_GETDLGCODE: {
        AResult = DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
        const auto* Key = reinterpret_cast<const MSG*>(ALParam);
        if (Key && Key->message == WM_KEYDOWN && Key->wParam == VK_RETURN)
            AResult |= DLGC_WANTMESSAGE;
        return true;
    }
    case WM_KEYDOWN:
        AView.Form().KeyDown(AControl.Id, static_cast<int>(AWParam));
        if (!IsWindow(AWindow)) {
            AResult = 0;
            return true;
        }
        return false;
    case WM_SYSKEYDOWN:
        // Enter counts with any modifier; with Alt it arrives as a system key.
        if (AWParam != VK_RETURN)
            return false;
        AView.Form().KeyDown(AControl.Id, VK_RETURN);
        AResult = 0;
        return true;
    case WM_CHAR:
    case WM_SYSCHAR:
        // A single-line box has nothing to do with Enter but beep.
        if (AWParam == L'\r' || AWParam == L'\n') {
            AResult = 0;
            return true;
        }
        return false;
    case WM_NCCALCSIZE:
        if (!AWParam)
            return false;
        CentreText(AView, AWindow, *reinterpret_cast<NCCALCSIZE_PARAMS*>(ALParam));
        AResult = 0;
        return true;
    case WM_NCPAINT:
        PaintFrame(AView, AWindow);
        AResult = 0;
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        AResult = DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
        RedrawWindow(AWindow, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        return true;
    }
    return false;
}

void Notify(TViewContext& AView, HWND AWindow, const TControl& AControl, WORD ACode)
{
    if (ACode == EN_CHANGE && !AView.Syncing())
        AView.Form().TextEdited(AControl.Id, WindowText(AWindow));
}

HWND CreateLog(TViewContext& AView, const TControl& AControl)
{
    HWND Log = CreateChildWindow(AView, AControl, L"EDIT",
                                 WS_TABSTOP | WS_VSCROLL | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL, AControl.Text);
    // Lines are added as typing would add them (EM_REPLACESEL), which the edit box holds to its
    // text limit, 32,767 characters by default: a run for thousands of companies logs far more.
    // Zero asks for the largest limit a multi-line box has.
    if (Log)
        SendMessageW(Log, EM_SETLIMITTEXT, 0, 0);
    return Log;
}

// The log's text is its content and comes only through AppendToLog and ClearLogBox.
void SyncLog(TViewContext&, HWND AWindow, const TControl& AControl)
{
    SendMessageW(AWindow, EM_SETREADONLY, AControl.ReadOnly, 0);
}

}  // namespace

const TControlUnit EditBoxUnit = {Create, Sync, nullptr, Message, Notify, nullptr, nullptr};
const TControlUnit LogBoxUnit = {CreateLog, SyncLog, nullptr, nullptr, nullptr, nullptr, nullptr};

// Only the new text is laid out; the newest line stays in view.
void AppendToLog(HWND ALog, const UString& AText)
{
    const LRESULT End = SendMessageW(ALog, WM_GETTEXTLENGTH, 0, 0);
    SendMessageW(ALog, EM_SETSEL, End, End);
    SendMessageW(ALog, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(W(AText)));
    SendMessageW(ALog, EM_SCROLLCARET, 0, 0);
}

void ClearLogBox(HWND ALog) { SetWindowTextW(ALog, L""); }

}  // namespace zelv::win32
