#pragma once

#include <windows.h>

#include <thread>

#include "app/win32/Win32Gdi.h"

namespace zelv::win32 {

// The window's backdrop: the paper colour with the background picture drawn washed out over it, at
// the window's size and DPI. Every control paints its own slice of it under its content, so text
// never lands on stale pixels.
class TBackdrop {
public:
    explicit TBackdrop(HINSTANCE AInstance) : FInstance(AInstance) {}
    ~TBackdrop();
    TBackdrop(const TBackdrop&) = delete;
    TBackdrop& operator=(const TBackdrop&) = delete;

    // Starts decoding the picture at AWidth x AHeight on a thread of its own, so the window and
    // its controls are made meanwhile; Rebuild takes the pixels when it needs that size.
    void Prefetch(int AWidth, int AHeight);

    // Makes the backdrop for a client area of AWidth x AHeight pixels: APaper everywhere, then the
    // picture stretched to APictureBox at AOpacity (no picture when APictureBox is empty). When
    // only the size changed, the old backdrop is copied; otherwise the picture is decoded again
    // (or taken from the prefetch).
    void Rebuild(HDC ACompatible, int AWidth, int AHeight, COLORREF APaper, const RECT& APictureBox, double AOpacity,
                 UINT ADpi);

    const TPixelSurface& Surface() const { return FSurface; }
    HDC DC() const { return FSurface.DC(); }
    int Width() const { return FSurface.Width(); }
    int Height() const { return FSurface.Height(); }

private:
    // The prefetched picture when it has that size; empty otherwise (or when decoding failed).
    TPixelSurface TakePrefetched(int AWidth, int AHeight);

    HINSTANCE FInstance;
    std::thread FPrefetch;
    TPixelSurface FPrefetched;
    TPixelSurface FSurface;
    // What FSurface was made with.
    COLORREF FPaper = 0;
    RECT FPictureBox = {};
    double FOpacity = 0;
    UINT FDpi = 0;
};

}  // namespace zelv::win32
