// The program as the window tests drive it: the product's window and program block, plus a test
// hook that flags a setup run and puts the companies page into the layouts of a run without
// running one.
#include <windows.h>

#include <algorithm>

#include "app/frmMainTestAccess.h"
#include "app/win32/Win32Program.h"
#include "win/WindowTestProtocol.h"

using namespace zelv;
using namespace zelv::test;

namespace {

void FillCompanies(TMainForm& AForm)
{
    AForm.ListClear();
    AForm.ListAdd(u"ACME  (rds.acme.example)", true, 0);
    AForm.ListAdd(u"BETA-01  (10.20.30.40)", true, 1);
    AForm.ListAdd(u"GAMMA  (gamma.zelv.cloud)", false, 2);
}

// The companies page as a setup run leaves it at each stage.
void ShowRunLayout(TMainForm& AForm, TTestLayout ALayout)
{
    FillCompanies(AForm);
    AForm.ShowPanel(TCtl::PanelCompanies);
    if (ALayout == tlSelection)
        return;
    AForm.SetBusy(true);
    AForm.SetVisible(TCtl::lblCompanyPrompt, false);
    AForm.SetVisible(TCtl::lstCompanies, false);
    AForm.SetTop(TCtl::memoStatus, 0);
    AForm.SetHeight(TCtl::memoStatus, 290);
    AForm.SetVisible(TCtl::memoStatus, true);
    AForm.SetTop(TCtl::btnSetup, 298);
    AForm.ClearLog();
    AForm.AppendLog(u"Starting setup...");
    AForm.AppendLog(u"RDP: ACME");
    AForm.AppendLog(u"RDP: BETA-01");
    if (ALayout == tlRunning)
        return;
    AForm.AppendLog(u"Add-in: installed");
    AForm.SetBusy(false);
    const bool Errors = ALayout == tlFinishedWithErrors;
    AForm.SetText(TCtl::FLblSetupResult, Errors ? u"Completed with errors \u2014 see details below" : u"Setup Complete!");
    AForm.SetFontColor(TCtl::FLblSetupResult, Errors ? 0xFFFF0000 : 0xFF1A8A3C);
    AForm.SetFillColor(TCtl::btnSetup, Errors ? 0xFF888888 : 0xFF1A8A3C);
    AForm.SetVisible(TCtl::FLblSetupResult, true);
    if (Errors) {
        AForm.AppendLog(u"ERROR: UDP policy not set");
        AForm.SetTop(TCtl::memoStatus, 62);
        AForm.SetHeight(TCtl::memoStatus, 228);
    } else {
        AForm.SetVisible(TCtl::memoStatus, false);
        AForm.SetText(TCtl::FLblShowLog, u"Show install log");
        AForm.SetVisible(TCtl::FLblShowLog, true);
    }
    AForm.SetTop(TCtl::btnSetup, 298);
    AForm.SetText(TCtl::lblBtnSetup, u"Close");
    if (ALayout == tlFinishedLogOpened)
        AForm.ToggleInstallLog();
}

bool Answer(TMainForm& AForm, HWND AWindow, WPARAM ACommand, LPARAM AArgument)
{
    switch (ACommand) {
    case tcSetTaskRunning: TMainFormTestAccess::SetTaskRunning(AForm, AArgument != 0); return true;
    case tcSetBusy: AForm.SetBusy(AArgument != 0); return true;
    case tcShowLayout:
        switch (static_cast<TTestLayout>(AArgument)) {
        case tlEmail: AForm.ShowPanel(TCtl::PanelEmail); return true;
        case tlCode: AForm.ShowPanel(TCtl::PanelCode); return true;
        default: ShowRunLayout(AForm, static_cast<TTestLayout>(AArgument)); return true;
        }
    case tcChangeDpi: {
        // What the system sends when the window moves to a monitor of another scaling: the new
        // DPI and a window rectangle that keeps the client area's size in units.
        static UINT OldDpi = GetDpiForWindow(AWindow);
        const UINT Dpi = static_cast<UINT>(AArgument);
        RECT Client = {};
        GetClientRect(AWindow, &Client);
        // The frame keeps its size here: under the test bench it does not scale with the DPI.
        RECT Frame = {};
        GetWindowRect(AWindow, &Frame);
        const int FrameW = Frame.right - Frame.left - Client.right, FrameH = Frame.bottom - Frame.top - Client.bottom;
        RECT Suggested = {Frame.left, Frame.top, Frame.left + MulDiv(Client.right, Dpi, OldDpi) + FrameW,
                          Frame.top + MulDiv(Client.bottom, Dpi, OldDpi) + FrameH};
        // The window grows towards the top when its new size no longer fits below.
        const int Overflow = Suggested.bottom - GetSystemMetrics(SM_CYSCREEN);
        if (Overflow > 0)
            OffsetRect(&Suggested, 0, -std::min<int>(Overflow, Suggested.top));
        SendMessageW(AWindow, WM_DPICHANGED, MAKEWPARAM(Dpi, Dpi), reinterpret_cast<LPARAM>(&Suggested));
        OldDpi = Dpi;
        return true;
    }
    case tcPaintNow:
        RedrawWindow(AWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        GdiFlush();
        return true;
    }
    return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE, PWSTR, int AShowCommand)
{
    const UINT Hook = RegisterWindowMessageW(TestHookMessage);
    return win32::RunProgram(AInstance, AShowCommand,
                             [Hook](TMainForm& AForm, HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult) {
                                 if (AMessage != Hook)
                                     return false;
                                 AResult = Answer(AForm, AWindow, AWParam, ALParam) ? 1 : 0;
                                 return true;
                             });
}
