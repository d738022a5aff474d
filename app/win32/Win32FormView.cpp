#include "app/win32/Win32FormView.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "app/win32/Win32Controls.h"
#include "app/win32/Win32Dpi.h"
#include "bench/StartupMarks.h"
#include "core/CloudSetupError.h"
#include "app/win32/Win32ViewPaint.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

constexpr wchar_t FormClassName[] = L"TZelvCloudSetupForm";

}  // namespace

TWin32FormView::TWin32FormView(HINSTANCE AInstance)
    : FView(AInstance), FLog([] { return GetTickCount64(); }, FLogTimer, [this](const UString& AText) { ShowLogText(AText); }),
      FDeferred(FView)
{
}

TWin32FormView::~TWin32FormView()
{
    // The form may already be gone: the window's last messages must not reach it.
    FView.SetForm(nullptr);
    if (FView.Window())
        DestroyWindow(FView.Window());
}

TDeviceClass TWin32FormView::DetectDeviceClass()
{
    constexpr int DigitizerReady = 0x80, DigitizerMultiInput = 0x40;
    const int Digitizer = GetSystemMetrics(SM_DIGITIZER);
    const bool MultiTouch = (Digitizer & DigitizerReady) && (Digitizer & DigitizerMultiInput);
    return GetSystemMetrics(SM_TABLETPC) && MultiTouch ? TDeviceClass::Tablet : TDeviceClass::Desktop;
}

bool TWin32FormView::Create(TMainForm& AForm, TMessageHook AHook)
{
    FView.SetForm(&AForm);
    FHook = std::move(AHook);
    FView.SetHighContrast(HighContrastOn());
    FWhiteBrush = UniqueBrush(CreateSolidBrush(RGB(255, 255, 255)));

    const HINSTANCE Instance = FView.Instance();
    WNDCLASSEXW Class = {};
    Class.cbSize = sizeof Class;
    Class.lpfnWndProc = WindowProc;
    Class.hInstance = Instance;
    Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Class.hIcon = static_cast<HICON>(LoadImageW(Instance, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                GetSystemMetrics(SM_CYICON), LR_SHARED));
    Class.hIconSm = static_cast<HICON>(LoadImageW(Instance, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    Class.lpszClassName = FormClassName;
    RegisterClassExW(&Class);
    RegisterControlClasses(Instance);
    ZELV_MARK("window class");

    // The picture takes longest to get ready: it is decoded meanwhile, at the size it has at the
    // system's DPI (the primary monitor's, where the window opens), while the window and its
    // controls are made. Should the window's DPI turn out different, it is decoded again.
    FView.SetDpi(SystemDpi());
    const RECT Likely = PictureBox();
    FView.Backdrop().Prefetch(Likely.right - Likely.left, Likely.bottom - Likely.top);
    ZELV_MARK("picture decode started");

    // Centred on the primary monitor, made at the size of the system's DPI, which is the primary
    // monitor's; should the window's own DPI turn out different, it gets the size of that one.
    MONITORINFO Monitor = {};
    Monitor.cbSize = sizeof Monitor;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &Monitor);
    const TControl& Form = AForm.Ctl(TCtl::MainForm);
    constexpr DWORD Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    constexpr DWORD ExStyle = WS_EX_CONTROLPARENT;
    const auto Place = [&] {
        RECT Frame = {0, 0, FView.Scale(Form.W), FView.Scale(Form.H)};
        AdjustForDpi(Frame, Style, ExStyle, FView.Dpi());
        const int Width = Frame.right - Frame.left, Height = Frame.bottom - Frame.top;
        const RECT& Work = Monitor.rcWork;
        const int Left = Work.left + (Work.right - Work.left - Width) / 2, Top = Work.top + (Work.bottom - Work.top - Height) / 2;
        return RECT{Left, Top, Left + Width, Top + Height};
    };
    const RECT Planned = Place();
    if (!CreateWindowExW(ExStyle, FormClassName, W(Form.Text), Style, Planned.left, Planned.top,
                         Planned.right - Planned.left, Planned.bottom - Planned.top, nullptr, nullptr, Instance, this))
        return false;
    if (const UINT Dpi = DpiOfWindow(FView.Window()); Dpi != FView.Dpi()) {
        FView.SetDpi(Dpi);
        const RECT Placed = Place();
        SetWindowPos(FView.Window(), nullptr, Placed.left, Placed.top, Placed.right - Placed.left,
                     Placed.bottom - Placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ZELV_MARK("main window");

    // The class's icons are the sizes of the system's DPI; a window of another DPI gets its own.
    if (FView.Scale(32) != GetSystemMetrics(SM_CXICON) || FView.Scale(16) != GetSystemMetrics(SM_CXSMICON))
        UpdateIcons();
    ZELV_MARK("icons");
    for (const TControl& C : AForm.Controls())
        FDeferred.Describe(C);
    FBackdropWanted = true;
    RebuildBackground();
    ZELV_MARK("backdrop");
    if (!FDeferred.Any())
        FDeferred.MakeAll();
    return true;
}

void TWin32FormView::Show(int AShowCommand)
{
    // The window's first activation puts the focus there, as it does when the user comes back to
    // the window, so the focus never goes to the window itself first and the box paints once.
    FLastFocus = GetNextDlgTabItem(FView.Window(), nullptr, FALSE);
    ShowWindow(FView.Window(), AShowCommand);
    ZELV_MARK("ShowWindow");
    UpdateWindow(FView.Window());
    ZELV_MARK("UpdateWindow");
    if (HWND First = GetNextDlgTabItem(FView.Window(), nullptr, FALSE))
        SetFocus(First);
    ZELV_MARK("focus");
    // A timer comes only once nothing is left to paint.
    if (FDeferred.Any())
        SetTimer(FView.Window(), DeferredControlsTimer, USER_TIMER_MINIMUM, nullptr);
}

void TWin32FormView::UpdateIcons()
{
    // Sized for the window's own DPI, so the title bar and the task bar get a sharp image.
    const int Big = FView.Scale(32), Small = FView.Scale(16);
    UniqueIcon BigIcon(static_cast<HICON>(LoadImageW(FView.Instance(), L"MAINICON", IMAGE_ICON, Big, Big, 0)));
    UniqueIcon SmallIcon(static_cast<HICON>(LoadImageW(FView.Instance(), L"MAINICON", IMAGE_ICON, Small, Small, 0)));
    SendMessageW(FView.Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(BigIcon.Get()));
    SendMessageW(FView.Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(SmallIcon.Get()));
    // The old icons go only once the window no longer uses them.
    FBigIcon = std::move(BigIcon);
    FSmallIcon = std::move(SmallIcon);
}

RECT TWin32FormView::PictureBox() const
{
    // High contrast shows plain system colours: no picture behind the text.
    const TControl& Picture = FView.Form().Ctl(TCtl::BackgroundImage);
    return !FView.HighContrast() && Picture.Visible ? FView.DeviceRect(Picture) : RECT{};
}

void TWin32FormView::RebuildBackground()
{
    const TMainForm& Form = FView.Form();
    const TControl& Window = Form.Ctl(TCtl::MainForm);
    RECT Client = {};
    GetClientRect(FView.Window(), &Client);
    const int Width = std::max<int>(Client.right, FView.Scale(Window.W));
    const int Height = std::max<int>(Client.bottom, FView.Scale(Window.H));
    const COLORREF Paper = FView.HighContrast() ? GetSysColor(COLOR_WINDOW) : ToColorRef(Form.Ctl(TCtl::RectBackground).FillColor);
    const TWindowDC Screen(FView.Window());
    FView.Backdrop().Rebuild(Screen.Get(), Width, Height, Paper, PictureBox(), Form.Ctl(TCtl::BackgroundImage).Opacity,
                             FView.Dpi());
}

void TWin32FormView::SyncAll()
{
    for (const TControl& C : FView.Form().Controls())
        SyncControl(FView, C);
    RedrawWindow(FView.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

const TControl* TWin32FormView::ControlOf(UINT AId) const
{
    for (const TControl& C : FView.Form().Controls())
        if (static_cast<UINT>(C.Id) == AId)
            return &C;
    return nullptr;
}

void TWin32FormView::ControlAdded(const TControl& AControl)
{
    FDeferred.Add(AControl);
}

void TWin32FormView::ControlChanged(const TControl& AControl)
{
    HWND Window = FView.Window();
    if (!Window)
        return;
    // Whatever changes next is shown after every line logged before it.
    FLog.Flush();
    // A page about to be shown needs its windows now; a pending control that stays hidden gets its
    // state when its window is made.
    if (FDeferred.AnyShowing())
        FDeferred.MakeAll();
    HWND Child = FView.Child(AControl.Id);
    RECT Before = {}, After = {};
    if (Child)
        GetWindowRect(Child, &Before);
    SyncControl(FView, AControl);
    // A control that moved may change how far the labels above it can grow.
    if (Child && AControl.Kind != TControlKind::Label && GetWindowRect(Child, &After) && !EqualRect(&Before, &After))
        for (const TControl& C : FView.Form().Controls())
            if (C.Kind == TControlKind::Label && C.Parent == AControl.Parent)
                FitLabel(FView, C);
    // Focus never stays on a control that can no longer take it.
    HWND Focus = GetFocus();
    if (Focus && GetParent(Focus) == Window && (!IsWindowVisible(Focus) || !IsWindowEnabled(Focus)))
        if (HWND Next = GetNextDlgTabItem(Window, Focus, FALSE); Next && Next != Focus)
            SetFocus(Next);
}

void TWin32FormView::FocusControl(TCtl AId)
{
    FLog.Flush();
    if (FDeferred.IsPending(AId))
        FDeferred.MakeAll();
    if (HWND Window = FView.Child(AId))
        SetFocus(Window);
}

void TWin32FormView::ShowMessage(const UString& AText)
{
    FLog.Flush();
    MessageBoxW(FView.Window(), W(AText), W(FView.Form().Ctl(TCtl::MainForm).Text), MB_OK | MB_ICONINFORMATION);
}

void TWin32FormView::Close()
{
    if (FView.Window())
        PostMessageW(FView.Window(), WM_CLOSE, 0, 0);
}

LRESULT CALLBACK TWin32FormView::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam)
{
    if (AMessage == WM_NCCREATE) {
        auto* Self = static_cast<TWin32FormView*>(reinterpret_cast<CREATESTRUCTW*>(ALParam)->lpCreateParams);
        Self->FView.SetWindow(AWindow);
        SetWindowLongPtrW(AWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Self));
    }
    auto* Self = reinterpret_cast<TWin32FormView*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
    if (!Self || !Self->FView.HasForm())
        return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
    if (AMessage == WM_NCDESTROY) {
        SetWindowLongPtrW(AWindow, GWLP_USERDATA, 0);
        Self->FView.SetWindow(nullptr);
        Self->FView.ForgetChildren();
        return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
    }
    // Nothing may unwind into the system's code that called us: the failure is shown and the
    // message gets the system's default answer, except that a failed close keeps the window.
    try {
        return Self->HandleMessage(AMessage, AWParam, ALParam);
    } catch (const std::exception& E) {
        Self->FView.ReportFailure(FailureText(E));
    } catch (...) {
        Self->FView.ReportFailure({});
    }
    return AMessage == WM_CLOSE ? 0 : DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
}

LRESULT TWin32FormView::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam)
{
    if (FHook) {
        LRESULT Result = 0;
        if (FHook(FView.Form(), FView.Window(), AMessage, AWParam, ALParam, Result))
            return Result;
    }
    switch (AMessage) {
    // WM_PAINT covers the whole client area with the backdrop; erasing first would draw it twice.
    case WM_ERASEBKGND: return 1;
    case WM_PRINTCLIENT:
    case WM_PAINT: return OnPaint(AMessage, reinterpret_cast<HDC>(AWParam));
    case WM_SIZE: return OnSize();
    case WM_DPICHANGED: return OnDpiChanged(HIWORD(AWParam), *reinterpret_cast<const RECT*>(ALParam));
    case WM_COMMAND: return OnCommand(LOWORD(AWParam), HIWORD(AWParam), reinterpret_cast<HWND>(ALParam));
    case WM_DRAWITEM: return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(ALParam));
    case WM_MEASUREITEM: return OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(ALParam));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX: return OnCtlColor(reinterpret_cast<HDC>(AWParam), reinterpret_cast<HWND>(ALParam));
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED: OnSettingsChanged(); break;
    case WM_ACTIVATE:
        if (OnActivate(LOWORD(AWParam)))
            return 0;
        break;
    case WM_SHOW_FAILURE: return OnShowFailure();
    case WM_TIMER:
        if (AWParam == LogTimer)
            FLog.TimerFired();
        else if (AWParam == DeferredControlsTimer)
            FDeferred.MakeSome(TDeferredControls::SliceMs);
        else
            break;
        return 0;
    case WM_CLOSE: return OnClose();
    case WM_DESTROY: return OnDestroy();
    }
    return DefWindowProcW(FView.Window(), AMessage, AWParam, ALParam);
}

// The backdrop is the whole of the window's own painting; the controls paint over it.
LRESULT TWin32FormView::OnPaint(UINT AMessage, HDC APrintDC)
{
    HWND Window = FView.Window();
    if (AMessage == WM_PAINT)
        ZELV_MARK("first WM_PAINT: sent");
    PAINTSTRUCT Paint;
    HDC DC = AMessage == WM_PAINT ? BeginPaint(Window, &Paint) : APrintDC;
    RECT Client = {};
    GetClientRect(Window, &Client);
    BitBlt(DC, 0, 0, Client.right, Client.bottom, FView.Backdrop().DC(), 0, 0, SRCCOPY);
    if (AMessage == WM_PAINT) {
        EndPaint(Window, &Paint);
        ZELV_MARK("first WM_PAINT");
    }
    return 0;
}

LRESULT TWin32FormView::OnSize()
{
    RECT Client = {};
    GetClientRect(FView.Window(), &Client);
    if (FBackdropWanted && (Client.right > FView.Backdrop().Width() || Client.bottom > FView.Backdrop().Height()))
        RebuildBackground();
    return 0;
}

LRESULT TWin32FormView::OnDpiChanged(UINT ADpi, const RECT& ASuggested)
{
    // The controls still hold the old fonts until SyncAll hands them the new ones.
    const TViewContext::TFonts OldFonts = FView.SetDpi(ADpi);
    SetWindowPos(FView.Window(), nullptr, ASuggested.left, ASuggested.top, ASuggested.right - ASuggested.left,
                 ASuggested.bottom - ASuggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateIcons();
    RebuildBackground();
    SyncAll();
    return 0;
}

void TWin32FormView::OnSettingsChanged()
{
    const bool Contrast = HighContrastOn();
    if (Contrast == FView.HighContrast())
        return;
    FView.SetHighContrast(Contrast);
    RebuildBackground();
    SyncAll();
}

LRESULT TWin32FormView::OnCommand(WORD AId, WORD ACode, HWND AControl)
{
    const TControl* C = ControlOf(AId);
    if (!AControl || !C || !FView.Child(C->Id))
        return 0;
    if (const TControlUnit* Unit = UnitOf(C->Kind); Unit && Unit->Notify)
        Unit->Notify(FView, AControl, *C, ACode);
    return 0;
}

LRESULT TWin32FormView::OnDrawItem(const DRAWITEMSTRUCT& AItem)
{
    const TControl* C = ControlOf(AItem.CtlID);
    const TControlUnit* Unit = C ? UnitOf(C->Kind) : nullptr;
    if (!Unit || !Unit->DrawItem)
        return FALSE;
    Unit->DrawItem(FView, *C, AItem);
    return TRUE;
}

LRESULT TWin32FormView::OnMeasureItem(MEASUREITEMSTRUCT& AItem)
{
    const TControl* C = ControlOf(AItem.CtlID);
    if (const TControlUnit* Unit = C ? UnitOf(C->Kind) : nullptr; Unit && Unit->MeasureItem)
        Unit->MeasureItem(FView, *C, AItem);
    return TRUE;
}

LRESULT TWin32FormView::OnCtlColor(HDC ADC, HWND AControl)
{
    if (FView.HighContrast())
        return DefWindowProcW(FView.Window(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(ADC), reinterpret_cast<LPARAM>(AControl));
    SetBkColor(ADC, RGB(255, 255, 255));
    SetTextColor(ADC, IsWindowEnabled(AControl) ? TextColor(FView, claNull) : GetSysColor(COLOR_GRAYTEXT));
    return reinterpret_cast<LRESULT>(FWhiteBrush.Get());
}

// The focus comes back to the control that had it when the window was left.
bool TWin32FormView::OnActivate(WORD AState)
{
    if (AState == WA_INACTIVE) {
        FLastFocus = GetFocus();
        return false;
    }
    if (FLastFocus && IsWindow(FLastFocus) && IsWindowVisible(FLastFocus) && IsWindowEnabled(FLastFocus)) {
        SetFocus(FLastFocus);
        return true;
    }
    return false;
}

LRESULT TWin32FormView::OnShowFailure()
{
    const UString Text = FView.TakeFailure();
    if (!Text.empty())
        MessageBoxW(FView.Window(), W(Text), W(FView.Form().Ctl(TCtl::MainForm).Text), MB_OK | MB_ICONERROR);
    return 0;
}

LRESULT TWin32FormView::OnClose()
{
    if (FView.Form().CloseQuery())
        DestroyWindow(FView.Window());
    return 0;
}

LRESULT TWin32FormView::OnDestroy()
{
    FLog.Close();
    FView.Form().FormDestroy();
    PostQuitMessage(0);
    return 0;
}

}  // namespace zelv::win32
