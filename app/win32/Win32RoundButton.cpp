// The rounded rectangles that act as buttons: an owner-drawn button whose caption is the text of
// the label that fills it, and the system's push buttons.
#include "app/win32/Win32Controls.h"
#include "app/win32/Win32ViewPaint.h"

#include <algorithm>

#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

constexpr double ButtonRadius = 8;

const TControl* CaptionOf(const TViewContext& AView, const TControl& AButton)
{
    const TControl* Caption = nullptr;
    for (const TControl& C : AView.Form().Controls())
        if (C.Parent == AButton.Id && C.Kind == TControlKind::ButtonCaption)
            Caption = &C;
    return Caption;
}

HWND Create(TViewContext& AView, const TControl& AControl)
{
    const TControl* Caption = CaptionOf(AView, AControl);
    return CreateChildWindow(AView, AControl, L"BUTTON", WS_TABSTOP | BS_OWNERDRAW, Caption ? Caption->Text : AControl.Text);
}

void Paint(TViewContext& AView, HWND AWindow, HDC ATarget, const TControl& AButton, bool APressed, bool AFocused)
{
    const TControl* Caption = CaptionOf(AView, AButton);
    const bool Contrast = AView.HighContrast();
    const double Dpi = AView.Dpi();
    PaintSlice(AView, AWindow, ATarget, [&](TPixelSurface& ASurface) {
        const RECT Box = {0, 0, ASurface.Width(), ASurface.Height()};
        const double Radius = ButtonRadius * Dpi / 96.0;
        COLORREF Fill = Contrast ? GetSysColor(COLOR_BTNFACE) : ToColorRef(AButton.FillColor);
        if (APressed)
            Fill = BlendColor(Fill, RGB(0, 0, 0), 0.18);
        FillRoundRect(ASurface, Box, Radius, Fill, AButton.Opacity);
        if (Contrast)
            FrameRoundRect(ASurface, Box, Radius, std::max(1.0, Dpi / 96.0), GetSysColor(AFocused ? COLOR_HIGHLIGHT : COLOR_BTNTEXT));
        else if (AFocused) {
            const int Inset = AView.Scale(3);
            const RECT Ring = {Inset, Inset, Box.right - Inset, Box.bottom - Inset};
            FrameRoundRect(ASurface, Ring, std::max(Radius - Inset, 1.0), std::max(1.0, 1.5 * Dpi / 96.0), RGB(255, 255, 255));
        }
        if (!Caption)
            return;
        HDC DC = ASurface.DC();
        // Half opacity applies to the caption too: blend it with what lies under its middle.
        const uint32_t Middle = ASurface.Pixels()[(Box.bottom / 2) * ASurface.Width() + Box.right / 2];
        const COLORREF Under = RGB((Middle >> 16) & 0xFF, (Middle >> 8) & 0xFF, Middle & 0xFF);
        const COLORREF Text = Contrast ? GetSysColor(COLOR_BTNTEXT) : ToColorRef(Caption->FontColor);
        SelectObject(DC, AView.FontOf(*Caption));
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, BlendColor(Under, Text, AButton.Opacity));
        RECT TextBox = Box;
        DrawTextW(DC, W(Caption->Text), -1, &TextBox, DT_NOPREFIX | DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    });
}

bool Message(TViewContext& AView, HWND, const TControl& AControl, UINT AMessage, WPARAM AWParam, LPARAM ALParam,
             LRESULT& AResult)
{
    if (PassClicksThrough(AControl, AMessage, AResult))
        return true;
    switch (AMessage) {
    case WM_ERASEBKGND: AResult = 1; return true;
    case WM_GETDLGCODE: {
        const auto* Key = reinterpret_cast<const MSG*>(ALParam);
        if (Key && Key->message == WM_KEYDOWN && Key->wParam == VK_RETURN) {
            AResult = DLGC_WANTMESSAGE | DLGC_BUTTON;
            return true;
        }
        return false;
    }
    case WM_KEYDOWN:
        // Enter activates a focused button as Space does; a busy button ignores both.
        if (AWParam == VK_RETURN) {
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
    if (ACode == BN_CLICKED)
        AView.Form().Click(AControl.Id);
}

void DrawItem(TViewContext& AView, const TControl& AControl, const DRAWITEMSTRUCT& AItem)
{
    Paint(AView, AItem.hwndItem, AItem.hDC, AControl, AItem.itemState & ODS_SELECTED,
          (AItem.itemState & ODS_FOCUS) && !(AItem.itemState & ODS_NOFOCUSRECT));
}

HWND CreatePushButton(TViewContext& AView, const TControl& AControl)
{
    return CreateChildWindow(AView, AControl, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, AControl.Text);
}

void SyncPushButton(TViewContext&, HWND AWindow, const TControl& AControl)
{
    if (WindowText(AWindow) != AControl.Text)
        SetWindowTextW(AWindow, W(AControl.Text));
}

}  // namespace

const TControlUnit RoundButtonUnit = {Create, nullptr, nullptr, Message, Notify, DrawItem, nullptr};
const TControlUnit PushButtonUnit = {CreatePushButton, SyncPushButton, nullptr, nullptr, Notify, nullptr, nullptr};

}  // namespace zelv::win32
