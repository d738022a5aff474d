#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/win32/UniqueHandle.h"

namespace zelv::win32 {

inline void DeleteGdiObject(HGDIOBJ AObject) { ::DeleteObject(AObject); }
inline void DeleteMemoryDC(HDC ADC) { ::DeleteDC(ADC); }
inline void DestroyIconHandle(HICON AIcon) { ::DestroyIcon(AIcon); }

using UniqueFont = UniqueHandle<HFONT, DeleteGdiObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, DeleteGdiObject>;
using UniqueMemoryDC = UniqueHandle<HDC, DeleteMemoryDC>;
using UniqueIcon = UniqueHandle<HICON, DestroyIconHandle>;

// A window's DC (GetDC, or GetWindowDC for the whole window with its frame; a null window: the
// screen's), given back on every way out.
class TWindowDC {
public:
    enum TArea { Client, WholeWindow };
    explicit TWindowDC(HWND AWindow, TArea AArea = Client)
        : FWindow(AWindow), FDC(AArea == WholeWindow ? GetWindowDC(AWindow) : GetDC(AWindow))
    {
    }
    ~TWindowDC()
    {
        if (FDC)
            ReleaseDC(FWindow, FDC);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;

    HDC Get() const { return FDC; }
    explicit operator bool() const { return FDC != nullptr; }

private:
    HWND FWindow;
    HDC FDC;
};

// A font, pen or brush selected into a DC for one scope: the DC's earlier object is selected back
// at its end, so the DC never keeps an object that may be deleted while it still holds it.
class TSelectedObject {
public:
    TSelectedObject(HDC ADC, HGDIOBJ AObject) : FDC(ADC), FOld(ADC && AObject ? SelectObject(ADC, AObject) : nullptr) {}
    ~TSelectedObject()
    {
        if (FOld && FOld != HGDI_ERROR)
            SelectObject(FDC, FOld);
    }
    TSelectedObject(const TSelectedObject&) = delete;
    TSelectedObject& operator=(const TSelectedObject&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// A 32-bit top-down DIB selected into its own memory DC, so GDI and per-pixel code can both draw
// on it.
class TPixelSurface {
public:
    TPixelSurface() = default;
    TPixelSurface(HDC ACompatible, int AWidth, int AHeight);
    TPixelSurface(TPixelSurface&&) noexcept = default;
    TPixelSurface& operator=(TPixelSurface&&) noexcept = default;
    ~TPixelSurface();

    HDC DC() const { return FDC.Get(); }
    uint32_t* Pixels() const { return FPixels; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    explicit operator bool() const { return static_cast<bool>(FDC); }

private:
    UniqueMemoryDC FDC;
    UniqueBitmap FBitmap;
    HGDIOBJ FOldBitmap = nullptr;
    uint32_t* FPixels = nullptr;
    int FWidth = 0;
    int FHeight = 0;
};

// Fills a rectangle with rounded corners, anti-aliased by the pixels' coverage, blending AColor
// (a COLORREF) over what the surface holds at AOpacity.
void FillRoundRect(TPixelSurface& ASurface, const RECT& ARect, double ARadius, COLORREF AColor, double AOpacity);
// Draws the outline of the same shape, ALineWidth pixels wide.
void FrameRoundRect(TPixelSurface& ASurface, const RECT& ARect, double ARadius, double ALineWidth, COLORREF AColor);
// An anti-aliased disc.
void FillDisc(TPixelSurface& ASurface, double ACenterX, double ACenterY, double ARadius, COLORREF AColor,
              double AOpacity);

COLORREF ToColorRef(uint32_t AArgb);
COLORREF BlendColor(COLORREF ABottom, COLORREF ATop, double AOpacity);

}  // namespace zelv::win32
