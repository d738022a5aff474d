#pragma once

#include <windows.h>

#include "app/frmMainLayout.h"
#include "app/win32/Win32ViewContext.h"

namespace zelv::win32 {

// What one kind of control does, filled in by the kind's own unit (Win32Label.cpp,
// Win32RoundButton.cpp, ...). Every control that has a window is a direct child of the main window,
// with its description id as control id and its text as window text, so tests and screen readers
// find it; the window procedure of the main window and the shared subclass procedure hand each
// message to the kind of the control it concerns. Any entry may be null: the kind has nothing to
// add there.
struct TControlUnit {
    // Makes the control's window; CreateChildWindow does the shared part.
    HWND (*Create)(TViewContext& AView, const TControl& AControl);
    // Brings what is particular to the kind in line with the description (text, items, timers).
    // Position, font, enabled state and visibility are brought in line by SyncControl.
    void (*Sync)(TViewContext& AView, HWND AWindow, const TControl& AControl);
    // The font of the control's window; null: the control's own size and weight.
    HFONT (*Font)(TViewContext& AView, const TControl& AControl);
    // A message to the control's window: paint and input. Returns true when it handled the
    // message, with its result in AResult; otherwise the window's own class handles it.
    bool (*Message)(TViewContext& AView, HWND AWindow, const TControl& AControl, UINT AMessage, WPARAM AWParam,
                    LPARAM ALParam, LRESULT& AResult);
    // A notification the control's window sent the main window (WM_COMMAND).
    void (*Notify)(TViewContext& AView, HWND AWindow, const TControl& AControl, WORD ACode);
    // Owner drawing: WM_DRAWITEM and WM_MEASUREITEM sent to the main window for this control.
    void (*DrawItem)(TViewContext& AView, const TControl& AControl, const DRAWITEMSTRUCT& AItem);
    void (*MeasureItem)(TViewContext& AView, const TControl& AControl, MEASUREITEMSTRUCT& AItem);
};

extern const TControlUnit LabelUnit;
extern const TControlUnit RoundButtonUnit;
extern const TControlUnit PushButtonUnit;
extern const TControlUnit EditBoxUnit;
extern const TControlUnit LogBoxUnit;
extern const TControlUnit CheckListUnit;
extern const TControlUnit IndicatorUnit;

// The unit of a kind of control; null for the kinds that have no window of their own (the form,
// the background, the picture, the panels and the captions of the rounded buttons).
const TControlUnit* UnitOf(TControlKind AKind);

// Registers the window classes of the controls the system does not provide.
void RegisterControlClasses(HINSTANCE AInstance);
void RegisterIndicatorClass(HINSTANCE AInstance);

// The content of the company list and of the log: each call touches only what changed. A fill
// tells the list how many items it has, whatever their number in one message.
void FillCheckList(HWND AList, const TControl& AControl);
void UpdateCheckListItem(HWND AList, const TControl& AControl, size_t AIndex);
void AppendToLog(HWND ALog, const UString& AText);
void ClearLogBox(HWND ALog);

// Makes a control's window at its place, as a child of the main window with the control's id,
// and hooks it to the view.
HWND CreateChildWindow(TViewContext& AView, const TControl& AControl, const wchar_t* AClass, DWORD AStyle,
                       const UString& AText);

// Makes the window of a control of the description, if its kind has one.
void CreateControl(TViewContext& AView, const TControl& AControl);
// Brings a control's window in line with the description; a panel brings its children, a
// caption its button.
void SyncControl(TViewContext& AView, const TControl& AControl);

// Lets a label whose text wraps past its box grow down to the next control below it.
void FitLabel(TViewContext& AView, const TControl& ALabel);

// Clicks on a control that takes none go to what lies below it.
bool PassClicksThrough(const TControl& AControl, UINT AMessage, LRESULT& AResult);

}  // namespace zelv::win32
