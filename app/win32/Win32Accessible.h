#pragma once

#include <windows.h>

namespace zelv::win32 {

// What a control of ours tells assistive technology that the system's own proxy cannot: the
// rounded button is a push button named by its caption, and each company of the list is an item
// with its name and whether it is ticked. The object reads everything from the control's window
// (its text, its items and their item data), so it stays valid, if empty, after the view is gone.
enum class TAccessibleKind { PushButton, CheckList };

// Answers WM_GETOBJECT for the control's client object; false for any other object, which the
// control's own class then answers.
bool AnswerGetObject(HWND AWindow, TAccessibleKind AKind, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult);

// The window property of a rounded button that lets clicks through while the window is busy: it
// reads as unavailable.
inline constexpr wchar_t UnavailableProperty[] = L"ZelvCloudSetup.Unavailable";

}  // namespace zelv::win32
