// Labels, and the label that takes clicks: the log link, which the keyboard reaches too.
#include "app/win32/Win32Controls.h"
#include "app/win32/Win32ViewPaint.h"

#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

HWND Create(TViewContext& AView, const TControl& AControl)
{
    const DWORD Style = SS_LEFT | (AControl.HitTest ? SS_NOTIFY | WS_TABSTOP : 0);
    return CreateChildWindow(AView, AControl, L"STATIC", Style, AControl.Text);
}

void Sync(TViewContext&, HWND AWindow, const TControl& AControl)
{
    if (WindowText(AWindow) != AControl.Text)
        SetWindowTextW(AWindow, W(AControl.Text));
}

void Paint(TViewContext& AView, HWND AWindow, HDC ATarget, const TControl& ALabel)
{
    PaintSlice(AView, AWindow, ATarget, [&](TPixelSurface& ASurface) {
        HDC DC = ASurface.DC();
        SelectObject(DC, AView.FontOf(ALabel));
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, TextColor(AView, ALabel.FontColor));
        RECT Box = {0, 0, ASurface.Width(), ASurface.Height()};
        DrawTextBlock(DC, ALabel.Text, Box, ALabel.HAlign, ALabel.VAlign);
        if (ALabel.HitTest && GetFocus() == AWindow)
            DrawFocusRect(DC, &Box);
    });
}

bool Message(TViewContext& AView, HWND AWindow, const TControl& AControl, UINT AMessage, WPARAM AWParam, LPARAM ALParam,
             LRESULT& AResult)
{
    if (PassClicksThrough(AControl, AMessage, AResult))
        return true;
    switch (AMessage) {
    case WM_ERASEBKGND: AResult = 1; return true;
    case WM_PAINT: {
        PAINTSTRUCT PaintInfo;
        HDC DC = BeginPaint(AWindow, &PaintInfo);
        Paint(AView, AWindow, DC, AControl);
        EndPaint(AWindow, &PaintInfo);
        AResult = 0;
        return true;
    }
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

const TControlUnit LabelUnit = {Create, Sync, nullptr, Message, Notify, nullptr, nullptr};

}  // namespace zelv::win32
