#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <utility>

#include "app/frmMain.h"
#include "app/win32/Win32Backdrop.h"
#include "app/win32/Win32Gdi.h"

namespace zelv::win32 {

// What the window shares with the units of its controls: the controller and its description, the
// window and its children, the DPI that scales every unit, the fonts, the look (high contrast) and
// the backdrop each control paints its slice of.
// The view's own messages to its window.
enum : UINT { WM_SHOW_FAILURE = WM_APP + 1 };

class TViewContext {
public:
    using TFonts = std::map<std::pair<int, bool>, UniqueFont>;

    explicit TViewContext(HINSTANCE AInstance) : FInstance(AInstance), FBackdrop(AInstance) {}

    HINSTANCE Instance() const { return FInstance; }

    // The controller; none once the window is being torn down, so late messages don't reach it.
    bool HasForm() const { return FForm != nullptr; }
    TMainForm& Form() const { return *FForm; }
    void SetForm(TMainForm* AForm) { FForm = AForm; }

    HWND Window() const { return FWindow; }
    void SetWindow(HWND AWindow) { FWindow = AWindow; }

    UINT Dpi() const { return FDpi; }
    // The fonts made for the old DPI are handed back: the controls still use them until they have
    // been given the new ones.
    TFonts SetDpi(UINT ADpi);
    int Scale(double AUnits) const;
    // Where a control lies in the main window's client area, in pixels.
    RECT DeviceRect(const TControl& AControl) const;
    HFONT Font(double APoints, bool ABold);
    // The font a control's text is drawn in: its own size and weight, or the style's.
    HFONT FontOf(const TControl& AControl) { return Font(AControl.FontSize > 0 ? AControl.FontSize : StyleFontSize, AControl.Bold); }

    bool HighContrast() const { return FHighContrast; }
    void SetHighContrast(bool AOn) { FHighContrast = AOn; }

    HWND Child(TCtl AId) const;
    const std::map<TCtl, HWND>& Children() const { return FChildren; }
    void AddChild(TCtl AId, HWND AWindow) { FChildren[AId] = AWindow; }
    void ForgetChildren() { FChildren.clear(); }

    // True while the view itself writes into a control: the control's echo is not the user's input.
    bool Syncing() const { return FSyncing; }
    void SetSyncing(bool ASyncing) { FSyncing = ASyncing; }

    // Shows a failure that reached a window procedure: once the window is back in its message loop,
    // in a message box; the window goes on.
    void ReportFailure(const UString& AText);
    // The failure to show next, taken once.
    UString TakeFailure() { return std::exchange(FFailure, UString()); }

    TBackdrop& Backdrop() { return FBackdrop; }
    const TBackdrop& Backdrop() const { return FBackdrop; }

    // The company list is filled in slices of at most FillSliceMs, one per turn of the message
    // loop (FillTimer), so a list of thousands never keeps the window from answering; a list not
    // filled in the first slice stays disabled until it is whole.
    static constexpr UINT_PTR FillTimer = 2;
    static constexpr double FillSliceMs = 25;
    void FillList(HWND AList, const TControl& AControl);
    // The next slice of the fill under way, if any.
    void ContinueFill();
    bool Filling(TCtl AId) const { return FFilling && FFillList == AId; }

private:
    HINSTANCE FInstance;
    TMainForm* FForm = nullptr;
    HWND FWindow = nullptr;
    UINT FDpi = 96;
    bool FHighContrast = false;
    bool FSyncing = false;
    std::map<TCtl, HWND> FChildren;
    TFonts FFonts;
    UString FFailure;
    std::set<UString> FShownFailures;
    TBackdrop FBackdrop;
    bool FFilling = false;
    TCtl FFillList = TCtl::None;
    size_t FFillNext = 0;
};

}  // namespace zelv::win32
