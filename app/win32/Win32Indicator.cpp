// The activity indicator: a ring of dots, painted over the backdrop, that turns while the window
// is busy.
#include "app/win32/Win32Controls.h"
#include "app/win32/Win32ViewPaint.h"

#include <algorithm>
#include <cmath>

namespace zelv::win32 {

namespace {

constexpr wchar_t IndicatorClassName[] = L"ZelvActivityIndicator";
constexpr UINT SpinnerIntervalMs = 80;
constexpr int SpinnerDots = 8;

// The dot at the head of the ring, kept in the indicator window's own user data.
int Phase(HWND AWindow) { return static_cast<int>(GetWindowLongPtrW(AWindow, GWLP_USERDATA)); }

HWND Create(TViewContext& AView, const TControl& AControl)
{
    return CreateChildWindow(AView, AControl, IndicatorClassName, 0, AControl.Text);
}

void Sync(TViewContext& AView, HWND AWindow, const TControl& AControl)
{
    if (AView.Form().IsShowing(AControl.Id) && AControl.Animating)
        SetTimer(AWindow, SpinnerTimer, SpinnerIntervalMs, nullptr);
    else
        KillTimer(AWindow, SpinnerTimer);
}

void Paint(TViewContext& AView, HWND AWindow, HDC ATarget)
{
    const int Head = Phase(AWindow);
    PaintSlice(AView, AWindow, ATarget, [&](TPixelSurface& ASurface) {
        const double CenterX = ASurface.Width() / 2.0, CenterY = ASurface.Height() / 2.0;
        const double Orbit = std::min(CenterX, CenterY) * 0.68, Dot = std::min(CenterX, CenterY) * 0.16;
        const COLORREF Color = AView.HighContrast() ? GetSysColor(COLOR_WINDOWTEXT) : ToColorRef(claButtonBlue);
        for (int I = 0; I < SpinnerDots; ++I) {
            const double Angle = 2 * 3.14159265358979 * I / SpinnerDots - 3.14159265358979 / 2;
            // The dot at the phase is solid; the ones behind it fade out.
            const int Age = (Head - I + SpinnerDots) % SpinnerDots;
            const double Opacity = 1.0 - 0.8 * Age / (SpinnerDots - 1);
            FillDisc(ASurface, CenterX + Orbit * std::cos(Angle), CenterY + Orbit * std::sin(Angle), Dot, Color, Opacity);
        }
    });
}

bool Message(TViewContext& AView, HWND AWindow, const TControl& AControl, UINT AMessage, WPARAM AWParam, LPARAM,
             LRESULT& AResult)
{
    if (PassClicksThrough(AControl, AMessage, AResult) ||
        AnswerPaint(AWindow, AMessage, [&](HDC ADC) { Paint(AView, AWindow, ADC); }, AResult))
        return true;
    switch (AMessage) {
    case WM_TIMER:
        if (AWParam != SpinnerTimer)
            return false;
        SetWindowLongPtrW(AWindow, GWLP_USERDATA, (Phase(AWindow) + 1) % SpinnerDots);
        InvalidateRect(AWindow, nullptr, FALSE);
        AResult = 0;
        return true;
    case WM_DESTROY: KillTimer(AWindow, SpinnerTimer); return false;
    }
    return false;
}

}  // namespace

void RegisterIndicatorClass(HINSTANCE AInstance)
{
    WNDCLASSEXW Indicator = {};
    Indicator.cbSize = sizeof Indicator;
    Indicator.lpfnWndProc = DefWindowProcW;
    Indicator.hInstance = AInstance;
    Indicator.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Indicator.lpszClassName = IndicatorClassName;
    RegisterClassExW(&Indicator);
}

const TControlUnit IndicatorUnit = {Create, Sync, nullptr, Message, nullptr, nullptr, nullptr};

}  // namespace zelv::win32
