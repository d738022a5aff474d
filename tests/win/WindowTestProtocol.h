#pragma once

// Between the window tests and the test build of the program: a registered message that only the
// test build answers. wParam is the command, lParam its argument.
namespace zelv::test {

inline constexpr wchar_t TestHookMessage[] = L"ZelvCloudSetup.WindowTestHook";

enum TTestCommand {
    tcSetTaskRunning = 1,  // lParam: 0 or 1
    tcSetBusy,             // lParam: 0 or 1
    tcShowLayout,          // lParam: a TTestLayout; answers once the window shows it
    tcChangeDpi,           // lParam: the DPI the window moves to, as when dragged to another monitor
    tcPixelAt,             // lParam: MAKELPARAM(x, y) in client pixels; answers the colour the window painted there
    tcScreenshot,          // lParam: a global atom naming the PNG file to write; answers 1 when written
    tcCutLabel,            // answers the id of the first shown label whose text does not fit it, or 0
    tcFail,                // lParam 0: raises the product's own failure in the window procedure; 1: something else
    tcHighContrast,        // lParam 1: the view's high-contrast query answers yes from now on; 0: the system's answer
                           // again. The window learns of it from the next settings or colour change, as from the system.
    tcStackGuard,          // answers the value the stack canaries are checked against
};

enum TTestLayout {
    tlEmail,
    tlCode,
    tlSelection,
    tlRunning,
    tlFinishedWithErrors,
    tlFinished,
    tlFinishedLogOpened,
    // The sign-in pages with the longest text their status lines show: a failure with a long
    // system message.
    tlEmailFailure,
    tlCodeFailure,
};

}  // namespace zelv::test
