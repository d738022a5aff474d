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
    tcSetEnabled,          // lParam: MAKELPARAM(control id, 0 or 1), through the controller
    tcCountViewMessages,   // lParam: MAKELPARAM(a TViewEvent, N); makes it happen and answers, once the window
                           // shows it, what reached the company list and the log box meanwhile (TViewMessages)
    tcLogTimerSet,         // answers 1 when the log's timer is set (and stops it), else 0
    tcStackGuard,          // answers the value the stack canaries are checked against
};

// What happens for tcCountViewMessages, with N companies or lines.
enum TViewEvent {
    veFillList,      // the list, emptied first, filled with N companies
    veTick,          // Space on the middle item of a list of N companies
    veListChange,    // a list of N companies disabled and enabled again
    veLogLines,      // a log of N lines shown gets N more, one by one
    veClearPending,  // a log of N lines shown gets N more, one by one, and is cleared before it shows them
};

// The answer to tcCountViewMessages: the messages that reached each window, and the characters of
// text the log box was sent (WM_SETTEXT, EM_REPLACESEL).
struct TViewMessages {
    int List = 0;
    int Log = 0;
    long LogCharacters = 0;

    static long long Pack(int AList, int ALog, long ACharacters)
    {
        return (static_cast<long long>(AList & 0xFFFF) << 48) | (static_cast<long long>(ALog & 0xFFFF) << 32) |
               static_cast<long long>(ACharacters & 0xFFFFFFFF);
    }
    static TViewMessages Unpack(long long APacked)
    {
        return {static_cast<int>((APacked >> 48) & 0xFFFF), static_cast<int>((APacked >> 32) & 0xFFFF),
                static_cast<long>(APacked & 0xFFFFFFFF)};
    }
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
