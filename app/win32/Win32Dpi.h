#pragma once

#include <windows.h>

namespace zelv::win32 {

// The DPI the system gives every window that is not told its own.
UINT SystemDpi();
// The DPI of the window's monitor where the system says it (Windows 10 on), else the system's.
UINT DpiOfWindow(HWND AWindow);
// The window rectangle that holds ARect as its client area at that DPI.
void AdjustForDpi(RECT& ARect, DWORD AStyle, DWORD AExStyle, UINT ADpi);

}  // namespace zelv::win32
