#pragma once

#include <windows.h>

#include <string>

namespace zelv::win32 {

// What a control of ours tells assistive technology that the system's own proxy cannot: the
// rounded button is a push button named by its caption, and each company of the list is an item
// with its name and whether it is ticked. The object reads everything through the control's
// window (its text; each item's name and tick, which the list answers from the controller with
// WM_GET_LIST_ITEM), so it stays valid, if empty, after the view is gone.
enum class TAccessibleKind { PushButton, CheckList };

// One item of the company list as the accessible object reads it.
struct TAccessibleItem {
    std::wstring Name;
    bool Checked = false;
};

// The TAccessibleItem that a WM_GET_LIST_ITEM's LPARAM points to, when the message is this
// thread's accessible object asking; null for anything else, which the list does not answer (any
// process can send a window a message, and the answer is written through the pointer).
TAccessibleItem* ListItemRequest(LPARAM ALParam);

// Answers WM_GETOBJECT for the control's client object; false for any other object, which the
// control's own class then answers.
bool AnswerGetObject(HWND AWindow, TAccessibleKind AKind, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult);

// The window property of a rounded button that lets clicks through while the window is busy: it
// reads as unavailable.
inline constexpr wchar_t UnavailableProperty[] = L"ZelvCloudSetup.Unavailable";

}  // namespace zelv::win32
