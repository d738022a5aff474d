#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "app/frmMain.h"
#include "app/win32/Win32DeferredControls.h"
#include "app/win32/Win32Gdi.h"
#include "app/win32/Win32ViewContext.h"

namespace zelv::win32 {

// The main window: renders the controller's description as real Win32 child windows (each kind of
// control in its own unit, Win32Controls.h) and feeds the user's input back to it. This unit holds
// the window itself: its class, its size and place, the messages that concern the whole window
// (paint, size, DPI, settings, activation, close) and the hand-over of the others to the controls.
class TWin32FormView final : public IFormView {
public:
    // Lets a test build answer messages of its own; returns true when it handled the message.
    using TMessageHook = std::function<bool(TMainForm&, HWND, UINT, WPARAM, LPARAM, LRESULT&)>;

    explicit TWin32FormView(HINSTANCE AInstance);
    ~TWin32FormView() override;

    static TDeviceClass DetectDeviceClass();

    // Creates the window and the controls of the description, hidden; FormCreate runs after this.
    bool Create(TMainForm& AForm, TMessageHook AHook = {});
    void Show(int AShowCommand);
    HWND Window() const { return FView.Window(); }

    void ControlAdded(const TControl& AControl) override;
    void ControlChanged(const TControl& AControl) override;
    void ListFilled(const TControl& AList) override;
    void ListItemChanged(const TControl& AList, size_t AIndex) override;
    void LogAppended(const TControl& ALog, const UString& AText) override;
    void LogCleared(const TControl& ALog) override;
    void FocusControl(TCtl AId) override;
    void ShowMessage(const UString& AText) override;
    void Close() override;

private:
    static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
    LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam);

    LRESULT OnPaint(UINT AMessage, HDC APrintDC);
    LRESULT OnSize();
    LRESULT OnDpiChanged(UINT ADpi, const RECT& ASuggested);
    LRESULT OnCommand(WORD AId, WORD ACode, HWND AControl);
    LRESULT OnDrawItem(const DRAWITEMSTRUCT& AItem);
    LRESULT OnMeasureItem(MEASUREITEMSTRUCT& AItem);
    LRESULT OnCtlColor(HDC ADC, HWND AControl);
    bool OnActivate(WORD AState);
    LRESULT OnShowFailure();
    LRESULT OnClose();
    LRESULT OnDestroy();
    void OnSettingsChanged();

    void SyncAll();
    // Where the picture lies at the current DPI; empty when none is shown.
    RECT PictureBox() const;
    void RebuildBackground();
    void UpdateIcons();
    // The window whose content changed; null while it is still to be made, with its content.
    HWND ContentWindow(const TControl& AControl);
    // Shows the log's lines appended since the last time. Lines arrive one by one from the setup
    // run, and the log box lays out and paints on every change of its text: they go in together
    // at most LogIntervalMs later, and at once before any other change the window shows.
    void FlushLog();
    static constexpr UINT_PTR LogTimer = 3;
    static constexpr UINT LogIntervalMs = 50;
    // The control of the description behind a child window's id; null when there is none.
    const TControl* ControlOf(UINT AId) const;

    TViewContext FView;
    TMessageHook FHook;
    // The backdrop is first made once the controls are, so the picture's decoding overlaps them.
    bool FBackdropWanted = false;
    TDeferredControls FDeferred;
    HWND FLastFocus = nullptr;
    UString FPendingLog;
    UniqueBrush FWhiteBrush;
    UniqueIcon FBigIcon;
    UniqueIcon FSmallIcon;
};

}  // namespace zelv::win32
