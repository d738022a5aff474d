// Labels, and the label that takes clicks: the log link, which the keyboard reaches too.
#include "app/win32/Win32Controls.h"
#include "app/win32/Win32ViewPaint.h"

#include <algorithm>

#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

// Not in every SDK's headers yet: a live region's content changed.
constexpr DWORD EventLiveRegionChanged = 0x8019;

HWND Create(TViewContext& AView, const TControl& AControl)
{
    const DWORD Style = SS_LEFT | (AControl.HitTest ? SS_NOTIFY | WS_TABSTOP : 0);
    return CreateChildWindow(AView, AControl, L"STATIC", Style, AControl.Text);
}

// The page a control lies on, or none for the controls outside the pages.
TCtl PageOf(const TMainForm& AForm, TCtl AId)
{
    for (TCtl Id = AForm.Ctl(AId).Parent; Id != TCtl::None && Id != TCtl::MainForm; Id = AForm.Ctl(Id).Parent)
        if (AForm.Ctl(Id).Kind == TControlKind::Panel)
            return Id;
    return TCtl::None;
}

// How far down a label may grow: to the top of the nearest control below its box that it would run
// into (on its own page or outside the pages, shown or not, so the label never moves as others
// come and go), else to the window's bottom edge. A control that starts within the label's box
// belongs to another layout of the page and does not count.
int RoomBelow(const TViewContext& AView, const TControl& ALabel, const RECT& ABox)
{
    const TMainForm& Form = AView.Form();
    const TCtl Page = PageOf(Form, ALabel.Id);
    int Limit = AView.Scale(Form.Ctl(TCtl::MainForm).H);
    for (const TControl& C : Form.Controls()) {
        if (C.Id == ALabel.Id || !UnitOf(C.Kind))
            continue;
        const TCtl OtherPage = PageOf(Form, C.Id);
        if (Page != TCtl::None && OtherPage != TCtl::None && OtherPage != Page)
            continue;
        const RECT Other = AView.DeviceRect(C);
        if (Other.top >= ABox.bottom && Other.left < ABox.right && Other.right > ABox.left)
            Limit = std::min<int>(Limit, Other.top);
    }
    return Limit;
}

// Measured on a memory DC of the screen, made once: the same text metrics as the label's own DC,
// without asking the system for a window's DC at every sync and paint.
int TextHeight(TViewContext& AView, const TControl& ALabel, int AWidth)
{
    // One memory DC for every measurement: a window's own DC costs more to get each time.
    static const UniqueMemoryDC Measuring(CreateCompatibleDC(nullptr));
    const TSelectedObject Font(Measuring.Get(), AView.FontOf(ALabel));
    RECT Measured = {0, 0, AWidth, 0};
    DrawTextW(Measuring.Get(), W(ALabel.Text), -1, &Measured, TextBlockFlags(ALabel.HAlign) | DT_CALCRECT);
    return Measured.bottom - Measured.top;
}

void Sync(TViewContext& AView, HWND AWindow, const TControl& AControl)
{
    if (WindowText(AWindow) != AControl.Text) {
        SetWindowTextW(AWindow, W(AControl.Text));
        // Screen readers announce a status line or a result as it changes.
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, AWindow, OBJID_CLIENT, CHILDID_SELF);
        if (!AControl.HitTest)
            NotifyWinEvent(EventLiveRegionChanged, AWindow, OBJID_CLIENT, CHILDID_SELF);
    }
    FitLabel(AView, AControl);
}

void Paint(TViewContext& AView, HWND AWindow, HDC ATarget, const TControl& ALabel)
{
    RECT Client = {};
    GetClientRect(AWindow, &Client);
    // Text that still does not fit shows whole lines only, never one cut in half.
    const UINT Extra = TextHeight(AView, ALabel, Client.right) > Client.bottom ? DT_EDITCONTROL : 0;
    PaintSlice(AView, AWindow, ATarget, [&](TPixelSurface& ASurface) {
        HDC DC = ASurface.DC();
        SelectObject(DC, AView.FontOf(ALabel));
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, TextColor(AView, ALabel.FontColor));
        RECT Box = {0, 0, ASurface.Width(), ASurface.Height()};
        DrawTextBlock(DC, ALabel.Text, Box, ALabel.HAlign, ALabel.VAlign, Extra);
        if (ALabel.HitTest && GetFocus() == AWindow)
            DrawFocusRect(DC, &Box);
    });
}

bool Message(TViewContext& AView, HWND AWindow, const TControl& AControl, UINT AMessage, WPARAM AWParam, LPARAM ALParam,
             LRESULT& AResult)
{
    if (PassClicksThrough(AControl, AMessage, AResult) ||
        AnswerPaint(AWindow, AMessage, [&](HDC ADC) { Paint(AView, AWindow, ADC, AControl); }, AResult))
        return true;
    switch (AMessage) {
    case WM_SETTEXT:
        // The static control would paint the new text straight over the old one; store the text
        // only and repaint the whole slice.
        AResult = DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
        InvalidateRect(AWindow, nullptr, FALSE);
        return true;
    case WM_ENABLE:
        InvalidateRect(AWindow, nullptr, FALSE);
        AResult = 0;
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(AWindow, nullptr, FALSE); return false;
    case WM_GETDLGCODE: {
        const auto* Key = reinterpret_cast<const MSG*>(ALParam);
        if (AControl.HitTest && Key && Key->message == WM_KEYDOWN && (Key->wParam == VK_RETURN || Key->wParam == VK_SPACE)) {
            AResult = DLGC_WANTMESSAGE | DLGC_STATIC;
            return true;
        }
        return false;
    }
    case WM_KEYDOWN:
        if (AControl.HitTest && (AWParam == VK_RETURN || AWParam == VK_SPACE)) {
            AView.Form().Click(AControl.Id);
            AResult = 0;
            return true;
        }
        return false;
    }
    return false;
}

void Notify(TViewContext& AView, HWND, const TControl& AControl, WORD ACode)
{
    if (ACode == STN_CLICKED)
        AView.Form().Click(AControl.Id);
}

}  // namespace

void FitLabel(TViewContext& AView, const TControl& ALabel)
{
    HWND Window = AView.Child(ALabel.Id);
    if (!Window)
        return;
    const RECT Box = AView.DeviceRect(ALabel);
    const int Needed = TextHeight(AView, ALabel, Box.right - Box.left);
    int Height = Box.bottom - Box.top;
    if (Needed > Height)
        Height = std::max(Height, std::min(Needed, RoomBelow(AView, ALabel, Box) - static_cast<int>(Box.top)));
    RECT Now = {};
    GetWindowRect(Window, &Now);
    if (Now.bottom - Now.top != Height) {
        SetWindowPos(Window, nullptr, 0, 0, Box.right - Box.left, Height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(Window, nullptr, FALSE);
    }
}

const TControlUnit LabelUnit = {Create, Sync, nullptr, Message, Notify, nullptr, nullptr};

}  // namespace zelv::win32
