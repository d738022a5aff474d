#pragma once

#include <windows.h>

#include <functional>

#include "app/frmMainLayout.h"
#include "app/win32/Win32Gdi.h"
#include "app/win32/Win32ViewContext.h"

namespace zelv::win32 {

// Whether the system asks for high contrast: then every control paints in the system's colours.
// The view asks when its window is made and again whenever the system's settings or colours change.
bool HighContrastOn();

#ifdef ZELV_TEST_SEAMS
// Puts AQuery in the system's place as the answer of HighContrastOn; null gives the system's back.
// Only the window tests' build of the program does this, to paint the high-contrast look on a test
// bench that cannot switch the system's mode. The release build has neither the function nor the
// writable pointer it sets, so nothing in the shipped exe can redirect the query.
using THighContrastQuery = bool (*)();
void ReplaceHighContrastQuery(THighContrastQuery AQuery);
#endif

// The colour text is drawn in: its own colour, the style's, or the system's under high contrast.
COLORREF TextColor(const TViewContext& AView, TAlphaColor AColor);
// What the boxes (edit boxes, the list, the log) are filled with.
COLORREF PaperColor(const TViewContext& AView);

// The flags every wrapping text block of the window is drawn with.
UINT TextBlockFlags(THAlign AHAlign);
// Draws wrapping text in ABox, aligned as asked; a block shorter than the box is centred in it
// when AVAlign says so.
void DrawTextBlock(HDC ADC, const UString& AText, RECT ABox, THAlign AHAlign, TVAlign AVAlign, UINT AExtra = 0);

// Answers the painting messages of a control that paints the whole of its window: nothing is
// erased (the slice covers it all) and WM_PAINT runs APaint on the window's DC. False for any
// other message.
bool AnswerPaint(HWND AWindow, UINT AMessage, const std::function<void(HDC)>& APaint, LRESULT& AResult);

// Paints a control without flicker: its slice of the backdrop, then ADrawContent on top, in one
// blit to ATarget.
void PaintSlice(const TViewContext& AView, HWND AControl, HDC ATarget,
                const std::function<void(TPixelSurface&)>& ADrawContent);

}  // namespace zelv::win32
