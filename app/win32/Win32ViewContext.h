#pragma once

#include <windows.h>

#include <map>
#include <utility>

#include "app/frmMain.h"
#include "app/win32/Win32Backdrop.h"
#include "app/win32/Win32FailureReport.h"
#include "app/win32/Win32Gdi.h"
#include "app/win32/Win32ViewMessages.h"

namespace zelv::win32 {

// What the main window shares with the units of its controls, and nothing the window does over
// time: the controller and its description, the window and its children, the DPI that scales every
// unit and the fonts made for it, the look (high contrast), the backdrop each control paints its
// slice of, whether the view itself is writing into a control, and the way to the user for a
// failure in a window procedure.
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

    // Shows a failure that reached a window procedure (TFailureReport).
    void ReportFailure(const UString& AText) { FFailures.Report(FWindow, AText); }
    UString TakeFailure() { return FFailures.Take(); }

    TBackdrop& Backdrop() { return FBackdrop; }
    const TBackdrop& Backdrop() const { return FBackdrop; }

private:
    HINSTANCE FInstance;
    TMainForm* FForm = nullptr;
    HWND FWindow = nullptr;
    UINT FDpi = 96;
    bool FHighContrast = false;
    bool FSyncing = false;
    std::map<TCtl, HWND> FChildren;
    TFonts FFonts;
    TFailureReport FFailures;
    TBackdrop FBackdrop;
};

}  // namespace zelv::win32
