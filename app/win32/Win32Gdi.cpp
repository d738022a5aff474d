#include "app/win32/Win32Gdi.h"

#include <algorithm>
#include <cmath>

namespace zelv::win32 {

TPixelSurface::TPixelSurface(HDC ACompatible, int AWidth, int AHeight)
    : FWidth(std::max(AWidth, 1)), FHeight(std::max(AHeight, 1))
{
    BITMAPINFO Info = {};
    Info.bmiHeader.biSize = sizeof Info.bmiHeader;
    Info.bmiHeader.biWidth = FWidth;
    Info.bmiHeader.biHeight = -FHeight;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    void* Bits = nullptr;
    FBitmap = UniqueBitmap(CreateDIBSection(ACompatible, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0));
    FDC = UniqueMemoryDC(CreateCompatibleDC(ACompatible));
    if (!FBitmap || !FDC) {
        FDC.Reset();
        return;
    }
    FPixels = static_cast<uint32_t*>(Bits);
    FOldBitmap = SelectObject(FDC.Get(), FBitmap.Get());
}

TPixelSurface::~TPixelSurface()
{
    // The bitmap can only be deleted once it is no longer selected into the DC.
    if (FDC && FOldBitmap)
        SelectObject(FDC.Get(), FOldBitmap);
}

COLORREF ToColorRef(uint32_t AArgb) { return RGB((AArgb >> 16) & 0xFF, (AArgb >> 8) & 0xFF, AArgb & 0xFF); }

COLORREF BlendColor(COLORREF ABottom, COLORREF ATop, double AOpacity)
{
    auto Mix = [AOpacity](int ABottomPart, int ATopPart) {
        return static_cast<BYTE>(std::lround(ABottomPart + (ATopPart - ABottomPart) * AOpacity));
    };
    return RGB(Mix(GetRValue(ABottom), GetRValue(ATop)), Mix(GetGValue(ABottom), GetGValue(ATop)),
               Mix(GetBValue(ABottom), GetBValue(ATop)));
}

namespace {

// DIB pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
void BlendPixel(uint32_t& APixel, COLORREF AColor, double AAlpha)
{
    if (AAlpha <= 0)
        return;
    const COLORREF Bottom = RGB((APixel >> 16) & 0xFF, (APixel >> 8) & 0xFF, APixel & 0xFF);
    const COLORREF Mixed = BlendColor(Bottom, AColor, std::min(AAlpha, 1.0));
    APixel = (GetRValue(Mixed) << 16) | (GetGValue(Mixed) << 8) | GetBValue(Mixed);
}

// Signed distance from (AX, AY) to the edge of a rounded rectangle; negative inside.
double RoundRectDistance(double AX, double AY, double ALeft, double ATop, double ARight, double ABottom, double ARadius)
{
    const double CenterX = (ALeft + ARight) / 2, CenterY = (ATop + ABottom) / 2;
    const double HalfW = (ARight - ALeft) / 2 - ARadius, HalfH = (ABottom - ATop) / 2 - ARadius;
    const double DX = std::fabs(AX - CenterX) - HalfW, DY = std::fabs(AY - CenterY) - HalfH;
    const double Outside = std::hypot(std::max(DX, 0.0), std::max(DY, 0.0));
    return Outside + std::min(std::max(DX, DY), 0.0) - ARadius;
}

// Coverage of a pixel from a 4 x 4 grid of samples of a shape's signed distance.
template <class TDistance>
double Coverage(int AX, int AY, TDistance ADistance)
{
    int Inside = 0;
    for (int SY = 0; SY < 4; ++SY)
        for (int SX = 0; SX < 4; ++SX)
            if (ADistance(AX + (SX + 0.5) / 4, AY + (SY + 0.5) / 4) <= 0)
                ++Inside;
    return Inside / 16.0;
}

template <class TDistance>
void FillShape(TPixelSurface& ASurface, RECT ABounds, TDistance ADistance, COLORREF AColor, double AOpacity)
{
    const int Left = std::max<int>(ABounds.left, 0), Top = std::max<int>(ABounds.top, 0);
    const int Right = std::min<int>(ABounds.right, ASurface.Width()), Bottom = std::min<int>(ABounds.bottom, ASurface.Height());
    GdiFlush();
    for (int Y = Top; Y < Bottom; ++Y)
        for (int X = Left; X < Right; ++X) {
            const double Centre = ADistance(X + 0.5, Y + 0.5);
            double Cover;
            if (Centre <= -1.0)
                Cover = 1.0;
            else if (Centre >= 1.0)
                Cover = 0.0;
            else
                Cover = Coverage(X, Y, ADistance);
            BlendPixel(ASurface.Pixels()[Y * ASurface.Width() + X], AColor, Cover * AOpacity);
        }
}

}  // namespace

void FillRoundRect(TPixelSurface& ASurface, const RECT& ARect, double ARadius, COLORREF AColor, double AOpacity)
{
    auto Distance = [&](double AX, double AY) {
        return RoundRectDistance(AX, AY, ARect.left, ARect.top, ARect.right, ARect.bottom, ARadius);
    };
    FillShape(ASurface, ARect, Distance, AColor, AOpacity);
}

void FrameRoundRect(TPixelSurface& ASurface, const RECT& ARect, double ARadius, double ALineWidth, COLORREF AColor)
{
    auto Distance = [&](double AX, double AY) {
        const double D = RoundRectDistance(AX, AY, ARect.left, ARect.top, ARect.right, ARect.bottom, ARadius);
        return std::max(D, -D - ALineWidth);
    };
    FillShape(ASurface, ARect, Distance, AColor, 1.0);
}

void FillDisc(TPixelSurface& ASurface, double ACenterX, double ACenterY, double ARadius, COLORREF AColor, double AOpacity)
{
    auto Distance = [&](double AX, double AY) { return std::hypot(AX - ACenterX, AY - ACenterY) - ARadius; };
    const RECT Bounds = {static_cast<LONG>(std::floor(ACenterX - ARadius - 1)), static_cast<LONG>(std::floor(ACenterY - ARadius - 1)),
                         static_cast<LONG>(std::ceil(ACenterX + ARadius + 1)), static_cast<LONG>(std::ceil(ACenterY + ARadius + 1))};
    FillShape(ASurface, Bounds, Distance, AColor, AOpacity);
}

}  // namespace zelv::win32
