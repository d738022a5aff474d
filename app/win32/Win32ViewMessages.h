#pragma once

#include <windows.h>

namespace zelv::win32 {

// The view's own messages, each named once.
enum : UINT {
    // To the main window: show the failure that reached a window procedure (TFailureReport).
    WM_SHOW_FAILURE = WM_APP + 1,
    // To the company list, from its accessible object on the list's own thread: the name and the
    // tick of one item, which only the controller holds. WPARAM: the item's index; LPARAM: the
    // TAccessibleItem to fill (ListItemRequest). Answers TRUE when the item is there.
    WM_GET_LIST_ITEM,
};

// The view's timers, each named once (SetTimer ids, each on the window named).
enum TViewTimer : UINT_PTR {
    // Main window: makes the windows of the pages not shown at start once nothing is left to paint.
    DeferredControlsTimer = 1,
    // Main window: shows the log's held lines (TLogBatch).
    LogTimer = 3,
    // Activity indicator: the next frame of its animation.
    SpinnerTimer = 4,
};

}  // namespace zelv::win32
