#include "app/win32/Win32FailureReport.h"

#include "app/win32/Win32ViewMessages.h"

namespace zelv::win32 {

void TFailureReport::Report(HWND AWindow, const UString& AText)
{
    // A failure while another waits to be shown, or one the user has seen already (a paint that
    // fails again), adds nothing the user can act on.
    const UString Text = AText.empty() ? UString(u"An unexpected error occurred") : AText;
    if (!FFailure.empty() || !AWindow || !FShown.insert(Text).second)
        return;
    FFailure = Text;
    PostMessageW(AWindow, WM_SHOW_FAILURE, 0, 0);
}

}  // namespace zelv::win32
