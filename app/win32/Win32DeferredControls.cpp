#include "app/win32/Win32DeferredControls.h"

#include <algorithm>
#include <limits>

#include "app/win32/Win32Controls.h"
#include "app/win32/Win32ViewMessages.h"
#include "bench/StartupMarks.h"

namespace zelv::win32 {

void TDeferredControls::Describe(const TControl& AControl)
{
    if (FView.Form().IsShowing(AControl.Id))
        CreateControl(FView, AControl);
    else
        FDescribed.push_back(AControl.Id);
}

void TDeferredControls::Add(const TControl& AControl)
{
    if (!Any())
        CreateControl(FView, AControl);
    else if (!FView.Form().IsShowing(AControl.Id))
        FAdded.push_back(AControl.Id);
    else {
        MakeAll();
        CreateControl(FView, AControl);
    }
}

bool TDeferredControls::IsPending(TCtl AId) const
{
    return std::find(FDescribed.begin(), FDescribed.end(), AId) != FDescribed.end() ||
           std::find(FAdded.begin(), FAdded.end(), AId) != FAdded.end();
}

bool TDeferredControls::AnyShowing() const
{
    const TMainForm& Form = FView.Form();
    const auto Showing = [&](TCtl AId) { return Form.IsShowing(AId); };
    return std::any_of(FDescribed.begin(), FDescribed.end(), Showing) ||
           std::any_of(FAdded.begin(), FAdded.end(), Showing);
}

void TDeferredControls::MakeAll()
{
    MakeSome(std::numeric_limits<double>::infinity());
}

bool TDeferredControls::MakeSome(double ABudgetMs)
{
    LARGE_INTEGER Frequency, Start, Now;
    QueryPerformanceFrequency(&Frequency);
    QueryPerformanceCounter(&Start);
    // Each window goes right below the one made before it in the description, so the windows (and
    // the Tab key) keep the description's order, as if all had been made at once. A control leaves
    // the list before its window is made: whatever runs meanwhile does not make it again.
    const TMainForm& Form = FView.Form();
    while (!FDescribed.empty()) {
        QueryPerformanceCounter(&Now);
        if (1000.0 * static_cast<double>(Now.QuadPart - Start.QuadPart) / static_cast<double>(Frequency.QuadPart) >= ABudgetMs)
            return false;
        const TCtl Id = FDescribed.front();
        FDescribed.erase(FDescribed.begin());
        CreateControl(FView, Form.Ctl(Id));
        HWND Window = FView.Child(Id);
        if (!Window)
            continue;
        HWND Above = HWND_TOP;
        for (const TControl& C : Form.Controls()) {
            if (C.Id == Id)
                break;
            if (HWND Earlier = FView.Child(C.Id))
                Above = Earlier;
        }
        SetWindowPos(Window, Above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (FView.Window())
        KillTimer(FView.Window(), DeferredControlsTimer);
    const std::vector<TCtl> Added = std::move(FAdded);
    FAdded.clear();
    // A later sibling lies over an earlier one: the log's top edge overlaps the setup button, and
    // the button goes last in the tab order of its page as well.
    if (HWND Setup = FView.Child(TCtl::btnSetup))
        SetWindowPos(Setup, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (TCtl Id : Added)
        CreateControl(FView, Form.Ctl(Id));
    ZELV_MARK("hidden controls");
    FPreload.Start();
    return true;
}

}  // namespace zelv::win32
