#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "app/frmMain.h"
#include "app/win32/Win32DeferredControls.h"
#include "app/win32/Win32Gdi.h"
#include "app/win32/Win32ViewContext.h"
#include "core/CloudSetupLogBatch.h"

namespace zelv::win32 {

// The main window: renders the controller's description as real Win32 child windows (each kind of
// control in its own unit, Win32Controls.h) and feeds the user's input back to it. This unit holds
// the window itself: its class, its size and place, the messages that concern the whole window
// (paint, size, DPI, settings, activation, close) and the hand-over of the others to the controls.
// The changes of the list's and the log's content are in Win32FormViewContent.cpp.
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
    // Puts the log's new text into the log box, when TLogBatch decides.
    void ShowLogText(const UString& AText);
    // The control of the description behind a child window's id; null when there is none.
    const TControl* ControlOf(UINT AId) const;

    // The main window's timer for the log's held lines.
    class TLogTimer final : public TLogBatch::ITimer {
    public:
        explicit TLogTimer(const TViewContext& AView) : FView(AView) {}
        void Start(uint32_t AIntervalMs) override;
        void Stop() override;

    private:
        const TViewContext& FView;
    };

    TViewContext FView;
    TLogTimer FLogTimer{FView};
    // Every change the window shows, other than a line of the log, shows the held lines first.
    TLogBatch FLog;
    TMessageHook FHook;
    // The backdrop is first made once the controls are, so the picture's decoding overlaps them.
    bool FBackdropWanted = false;
    TDeferredControls FDeferred;
    HWND FLastFocus = nullptr;
    UniqueBrush FWhiteBrush;
    UniqueIcon FBigIcon;
    UniqueIcon FSmallIcon;
};

}  // namespace zelv::win32
