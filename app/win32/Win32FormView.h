#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <utility>

#include "app/frmMain.h"
#include "app/win32/Win32Gdi.h"

namespace zelv::win32 {

// Renders the controller's description as real Win32 child windows and feeds the user's input
// back to it. Every control that has a window is a direct child of the main window, with its
// description id as control id and its text as window text, so tests and screen readers find it.
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
    HWND Window() const { return FWindow; }

    void ControlAdded(const TControl& AControl) override;
    void ControlChanged(const TControl& AControl) override;
    void FocusControl(TCtl AId) override;
    void ShowMessage(const UString& AText) override;
    void Close() override;

private:
    static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
    static LRESULT CALLBACK ControlProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR AId,
                                        DWORD_PTR AView);
    LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam);
    LRESULT HandleControlMessage(HWND AWindow, TCtl AId, UINT AMessage, WPARAM AWParam, LPARAM ALParam);

    LRESULT OnDpiChanged(UINT ADpi, const RECT& ASuggested);
    LRESULT OnCommand(WORD AId, WORD ACode, HWND AControl);
    LRESULT OnDrawItem(const DRAWITEMSTRUCT& AItem);
    LRESULT OnCtlColor(HDC ADC, HWND AControl);
    void OnSettingsChanged();

    void CreateControl(const TControl& AControl);
    void SyncControl(const TControl& AControl);
    void SyncAll();
    void LayoutAll();
    RECT DeviceRect(const TControl& AControl) const;
    int Scale(double AUnits) const;
    HFONT Font(double APoints, bool ABold);
    void RebuildBackground();
    void UpdateIcons();
    void LoadPicture();
    void PaintSlice(HWND AControl, HDC ATarget, const std::function<void(TPixelSurface&)>& ADrawContent);
    void PaintLabel(HWND AControl, HDC ATarget, const TControl& ALabel);
    void PaintRoundButton(HWND AControl, HDC ATarget, const TControl& AButton, bool APressed, bool AFocused);
    void PaintIndicator(HWND AControl, HDC ATarget);
    void PaintEditFrame(HWND AControl);
    void ToggleListItem(HWND AList, int AIndex);
    HWND Child(TCtl AId) const;
    COLORREF TextColor(TAlphaColor AColor) const;

    HINSTANCE FInstance;
    TMainForm* FForm = nullptr;
    TMessageHook FHook;
    HWND FWindow = nullptr;
    UINT FDpi = 96;
    bool FHighContrast = false;
    bool FSyncing = false;
    int FSpinnerPhase = 0;
    HWND FLastFocus = nullptr;
    std::map<TCtl, HWND> FChildren;
    std::map<std::pair<int, bool>, UniqueFont> FFonts;
    UniqueBrush FWhiteBrush;
    UniqueIcon FBigIcon;
    UniqueIcon FSmallIcon;
    TPixelSurface FBackground;
    TPixelSurface FPicture;  // the background picture at its drawn size, premultiplied alpha
    UINT FPictureDpi = 0;
};

}  // namespace zelv::win32
