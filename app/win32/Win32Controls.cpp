#include "app/win32/Win32Controls.h"

#include <commctrl.h>

#include <exception>

#include "bench/StartupMarks.h"
#include "core/CloudSetupError.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

LRESULT HandleControlMessage(TViewContext& AView, HWND AWindow, TCtl AId, UINT AMessage, WPARAM AWParam, LPARAM ALParam)
{
    const TControl& C = AView.Form().Ctl(AId);
    if (AMessage == WM_SETCURSOR && C.HandCursor && LOWORD(ALParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    if (const TControlUnit* Unit = UnitOf(C.Kind); Unit && Unit->Message) {
        LRESULT Result = 0;
        if (Unit->Message(AView, AWindow, C, AMessage, AWParam, ALParam, Result))
            return Result;
    }
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
}

LRESULT CALLBACK ControlProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR AId, DWORD_PTR AView)
{
    if (AMessage == WM_NCDESTROY) {
        RemoveWindowSubclass(AWindow, ControlProc, AId);
        return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
    }
    auto& View = *reinterpret_cast<TViewContext*>(AView);
    if (!View.HasForm())
        return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
    // Nothing may unwind into the system's code that called us: the failure is shown and the
    // control's own class answers the message.
    try {
#ifdef ZELV_STARTUP_MARKS
        if (AMessage == WM_PAINT) {
            const LRESULT Result = HandleControlMessage(View, AWindow, static_cast<TCtl>(AId), AMessage, AWParam, ALParam);
            ZELV_MARK_OF("paint ", View.Form().Ctl(static_cast<TCtl>(AId)).Name);
            return Result;
        }
#endif
        return HandleControlMessage(View, AWindow, static_cast<TCtl>(AId), AMessage, AWParam, ALParam);
    } catch (const std::exception& E) {
        View.ReportFailure(FailureText(E));
    } catch (...) {
        View.ReportFailure({});
    }
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
}

}  // namespace

const TControlUnit* UnitOf(TControlKind AKind)
{
    switch (AKind) {
    case TControlKind::Label: return &LabelUnit;
    case TControlKind::Edit: return &EditBoxUnit;
    case TControlKind::RoundButton: return &RoundButtonUnit;
    case TControlKind::PushButton: return &PushButtonUnit;
    case TControlKind::CheckListBox: return &CheckListUnit;
    case TControlKind::Memo: return &LogBoxUnit;
    case TControlKind::ActivityIndicator: return &IndicatorUnit;
    case TControlKind::Form:
    case TControlKind::FilledRect:
    case TControlKind::Picture:
    case TControlKind::Panel:
    case TControlKind::ButtonCaption: return nullptr;
    }
    return nullptr;
}

void RegisterControlClasses(HINSTANCE AInstance) { RegisterIndicatorClass(AInstance); }

bool PassClicksThrough(const TControl& AControl, UINT AMessage, LRESULT& AResult)
{
    if (AMessage != WM_NCHITTEST || AControl.HitTest)
        return false;
    AResult = HTTRANSPARENT;
    return true;
}

HWND CreateChildWindow(TViewContext& AView, const TControl& AControl, const wchar_t* AClass, DWORD AStyle,
                       const UString& AText)
{
    const RECT Box = AView.DeviceRect(AControl);
    // While the window is still hidden, a control that shows is made visible at once, as a child
    // window is made with its page: nothing paints until the window shows.
    const DWORD Visible = AView.Form().IsShowing(AControl.Id) && !IsWindowVisible(AView.Window()) ? WS_VISIBLE : 0;
    HWND Window = CreateWindowExW(0, AClass, W(AText), WS_CHILD | WS_CLIPSIBLINGS | Visible | AStyle, Box.left, Box.top,
                                  Box.right - Box.left, Box.bottom - Box.top, AView.Window(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(AControl.Id)), AView.Instance(), nullptr);
    if (!Window)
        return nullptr;
    AView.AddChild(AControl.Id, Window);
    SetWindowSubclass(Window, ControlProc, static_cast<UINT_PTR>(AControl.Id), reinterpret_cast<DWORD_PTR>(&AView));
    return Window;
}

void CreateControl(TViewContext& AView, const TControl& AControl)
{
    const TControlUnit* Unit = UnitOf(AControl.Kind);
    if (!Unit || !Unit->Create)
        return;
    if (!Unit->Create(AView, AControl))
        return;
    ZELV_MARK_OF("window ", AControl.Name);
    SyncControl(AView, AControl);
    ZELV_MARK_OF("control ", AControl.Name);
}

void SyncControl(TViewContext& AView, const TControl& AControl)
{
    const TMainForm& Form = AView.Form();
    if (AControl.Kind == TControlKind::ButtonCaption) {
        if (HWND Button = AView.Child(AControl.Parent)) {
            if (WindowText(Button) != AControl.Text) {
                SetWindowTextW(Button, W(AControl.Text));
                NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, Button, OBJID_CLIENT, CHILDID_SELF);
            }
            InvalidateRect(Button, nullptr, FALSE);
        }
        return;
    }
    if (AControl.Kind == TControlKind::Panel) {
        for (const TControl& C : Form.Controls())
            if (C.Parent == AControl.Id)
                SyncControl(AView, C);
        return;
    }
    HWND Window = AView.Child(AControl.Id);
    const TControlUnit* Unit = UnitOf(AControl.Kind);
    if (!Window || !Unit)
        return;
    // Cleared on every way out, so a failure half-way does not turn the user's typing off.
    struct TSyncingScope {
        TViewContext& View;
        explicit TSyncingScope(TViewContext& AView) : View(AView) { View.SetSyncing(true); }
        ~TSyncingScope() { View.SetSyncing(false); }
    } Syncing(AView);
    const RECT Box = AView.DeviceRect(AControl);
    RECT Now = {};
    GetWindowRect(Window, &Now);
    MapWindowPoints(HWND_DESKTOP, AView.Window(), reinterpret_cast<POINT*>(&Now), 2);
    if (!EqualRect(&Now, &Box))
        SetWindowPos(Window, nullptr, Box.left, Box.top, Box.right - Box.left, Box.bottom - Box.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    if (Unit->Sync)
        Unit->Sync(AView, Window, AControl);

    HFONT ControlFont = Unit->Font ? Unit->Font(AView, AControl) : AView.FontOf(AControl);
    ZELV_MARK_OF("font ", AControl.Name);
    if (reinterpret_cast<HFONT>(SendMessageW(Window, WM_GETFONT, 0, 0)) != ControlFont) {
        SendMessageW(Window, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont), FALSE);
        // The edit boxes centre their text through their frame, which depends on the font.
        if (AControl.Kind == TControlKind::Edit || AControl.Kind == TControlKind::Memo)
            SetWindowPos(Window, nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }

    if (!IsWindowEnabled(Window) != !AControl.Enabled)
        EnableWindow(Window, AControl.Enabled);
    // The window's own flag: a control of a window that is still hidden is not visible yet either.
    const bool Showing = Form.IsShowing(AControl.Id);
    if (!(GetWindowLongW(Window, GWL_STYLE) & WS_VISIBLE) != !Showing)
        ShowWindow(Window, Showing ? SW_SHOWNA : SW_HIDE);
    InvalidateRect(Window, nullptr, FALSE);
}

}  // namespace zelv::win32
