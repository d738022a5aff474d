#pragma once

// Between the window tests and the test build of the program: a registered message that only the
// test build answers. wParam is the command, lParam its argument.
namespace zelv::test {

inline constexpr wchar_t TestHookMessage[] = L"ZelvCloudSetup.WindowTestHook";

enum TTestCommand {
    tcSetTaskRunning = 1,  // lParam: 0 or 1
    tcSetBusy,             // lParam: 0 or 1
    tcShowLayout,          // lParam: a TTestLayout
    tcPaintNow,            // paints every pending change before the test looks at the screen
    tcChangeDpi,           // lParam: the DPI the window moves to, as when dragged to another monitor
};

enum TTestLayout {
    tlEmail,
    tlCode,
    tlSelection,
    tlRunning,
    tlFinishedWithErrors,
    tlFinished,
    tlFinishedLogOpened,
};

}  // namespace zelv::test
