#include "app/win32/Win32ViewPaint.h"

#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

#ifdef ZELV_TEST_SEAMS
namespace {

THighContrastQuery ReplacedQuery = nullptr;

}  // namespace

void ReplaceHighContrastQuery(THighContrastQuery AQuery) { ReplacedQuery = AQuery; }
#endif

bool HighContrastOn()
{
#ifdef ZELV_TEST_SEAMS
    if (ReplacedQuery)
        return ReplacedQuery();
#endif
    HIGHCONTRASTW Contrast = {};
    Contrast.cbSize = sizeof Contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof Contrast, &Contrast, 0) &&
           (Contrast.dwFlags & HCF_HIGHCONTRASTON);
}

COLORREF TextColor(const TViewContext& AView, TAlphaColor AColor)
{
    if (AView.HighContrast())
        return GetSysColor(COLOR_WINDOWTEXT);
    return ToColorRef(AColor == claNull ? StyleFontColor : AColor);
}

COLORREF PaperColor(const TViewContext& AView)
{
    return AView.HighContrast() ? GetSysColor(COLOR_WINDOW) : RGB(255, 255, 255);
}

UINT TextBlockFlags(THAlign AHAlign)
{
    return DT_NOPREFIX | DT_WORDBREAK | (AHAlign == THAlign::Center ? DT_CENTER : DT_LEFT);
}

void DrawTextBlock(HDC ADC, const UString& AText, RECT ABox, THAlign AHAlign, TVAlign AVAlign, UINT AExtra)
{
    const UINT Flags = TextBlockFlags(AHAlign) | AExtra;
    RECT Measured = ABox;
    DrawTextW(ADC, W(AText), -1, &Measured, Flags | DT_CALCRECT);
    const int TextHeight = Measured.bottom - Measured.top;
    if (AVAlign == TVAlign::Center && TextHeight < ABox.bottom - ABox.top)
        ABox.top += (ABox.bottom - ABox.top - TextHeight) / 2;
    DrawTextW(ADC, W(AText), -1, &ABox, Flags);
}

bool AnswerPaint(HWND AWindow, UINT AMessage, const std::function<void(HDC)>& APaint, LRESULT& AResult)
{
    if (AMessage == WM_ERASEBKGND) {
        AResult = 1;
        return true;
    }
    if (AMessage != WM_PAINT)
        return false;
    PAINTSTRUCT PaintInfo;
    HDC DC = BeginPaint(AWindow, &PaintInfo);
    APaint(DC);
    EndPaint(AWindow, &PaintInfo);
    AResult = 0;
    return true;
}

void PaintSlice(const TViewContext& AView, HWND AControl, HDC ATarget,
                const std::function<void(TPixelSurface&)>& ADrawContent)
{
    RECT Client = {};
    GetClientRect(AControl, &Client);
    TPixelSurface Surface(ATarget, Client.right, Client.bottom);
    if (!Surface)
        return;
    POINT Origin = {0, 0};
    MapWindowPoints(AControl, AView.Window(), &Origin, 1);
    BitBlt(Surface.DC(), 0, 0, Client.right, Client.bottom, AView.Backdrop().DC(), Origin.x, Origin.y, SRCCOPY);
    ADrawContent(Surface);
    GdiFlush();
    BitBlt(ATarget, 0, 0, Client.right, Client.bottom, Surface.DC(), 0, 0, SRCCOPY);
}

}  // namespace zelv::win32
