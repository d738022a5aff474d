#pragma once

#include <windows.h>

#include <set>
#include <utility>

#include "core/CloudSetupText.h"

namespace zelv::win32 {

// A failure that reached a window procedure, on its way to the user: it is shown once the window
// is back in its message loop (WM_SHOW_FAILURE), in a message box, and the window goes on.
class TFailureReport {
public:
    // Posts the window the message that shows AText (empty: an unexpected error).
    void Report(HWND AWindow, const UString& AText);
    // The failure to show next, taken once.
    UString Take() { return std::exchange(FFailure, UString()); }

private:
    UString FFailure;
    std::set<UString> FShown;
};

}  // namespace zelv::win32
