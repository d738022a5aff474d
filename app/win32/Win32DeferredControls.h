#pragma once

#include <windows.h>

#include <vector>

#include "app/win32/Win32SystemLibraries.h"
#include "app/win32/Win32ViewContext.h"

namespace zelv::win32 {

// The controls of pages not shown at start get their windows (and fonts) only after the first
// paint, a few at a time between messages, or all at once as soon as one of them is to be shown or
// focused, so the first paint waits for nothing the user cannot see yet and the window answers
// meanwhile. Once they are all made, the libraries bound on first use are mapped in
// the background (TLibraryPreload), so the sign-in and the setup run don't wait for them either.
class TDeferredControls {
public:
    explicit TDeferredControls(TViewContext& AView) : FView(AView) {}
    TDeferredControls(const TDeferredControls&) = delete;
    TDeferredControls& operator=(const TDeferredControls&) = delete;

    // A control of the description, in its order: its window is made now when it shows.
    void Describe(const TControl& AControl);
    // A control the controller added after the window was made.
    void Add(const TControl& AControl);

    bool Any() const { return !FDescribed.empty() || !FAdded.empty(); }
    bool IsPending(TCtl AId) const;
    // Whether a control still without its window is now to be shown.
    bool AnyShowing() const;
    // Makes every pending window now, in the description's window and Tab order.
    void MakeAll();
    // Makes pending windows, in that order, until ABudgetMs have passed; true once none is left.
    bool MakeSome(double ABudgetMs);

    // How long each turn of the timer that makes the pending windows may take.
    static constexpr double SliceMs = 4;

private:
    TViewContext& FView;
    std::vector<TCtl> FDescribed;  // of the description, in its order
    std::vector<TCtl> FAdded;      // added by the controller since
    TLibraryPreload FPreload;
};

}  // namespace zelv::win32
