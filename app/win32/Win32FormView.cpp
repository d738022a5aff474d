#include "app/win32/Win32FormView.h"

#include <commctrl.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

constexpr wchar_t FormClassName[] = L"TZelvCloudSetupForm";
constexpr wchar_t IndicatorClassName[] = L"ZelvActivityIndicator";
constexpr wchar_t FontFace[] = L"Segoe UI";
constexpr UINT_PTR SpinnerTimer = 1;
constexpr UINT SpinnerIntervalMs = 80;
constexpr int SpinnerDots = 8;
constexpr double ButtonRadius = 8;
constexpr TAlphaColor EditBorderColor = 0xFFB8B8B8;

// Resolved at run time: the per-monitor DPI functions exist from Windows 10 on, and the program
// still starts on older systems, where the system DPI applies.
UINT DpiOfWindow(HWND AWindow)
{
    using TGetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto GetDpi = reinterpret_cast<TGetDpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (GetDpi)
        if (UINT Dpi = GetDpi(AWindow))
            return Dpi;
    HDC Screen = GetDC(nullptr);
    const int Dpi = GetDeviceCaps(Screen, LOGPIXELSY);
    ReleaseDC(nullptr, Screen);
    return Dpi > 0 ? Dpi : 96;
}

void AdjustForDpi(RECT& ARect, DWORD AStyle, DWORD AExStyle, UINT ADpi)
{
    using TAdjust = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto Adjust = reinterpret_cast<TAdjust>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (Adjust)
        Adjust(&ARect, AStyle, FALSE, AExStyle, ADpi);
    else
        AdjustWindowRectEx(&ARect, AStyle, FALSE, AExStyle);
}

// Tells the touch keyboard which layout an edit box wants. The text services library is loaded
// on first use; a system without it simply shows its usual keyboard.
void SetKeyboardKind(HWND AEdit, TKeyboardKind AKind)
{
    constexpr int ScopeEmail = 5;   // IS_EMAIL_SMTPEMAILADDRESS
    constexpr int ScopeNumber = 29; // IS_NUMBER
    if (AKind == TKeyboardKind::Default)
        return;
    using TSetInputScope = HRESULT(WINAPI*)(HWND, int);
    static const auto SetScope = [] {
        HMODULE TextServices = LoadLibraryExW(L"msctf.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return TextServices ? reinterpret_cast<TSetInputScope>(
                                  reinterpret_cast<void*>(GetProcAddress(TextServices, "SetInputScope")))
                            : nullptr;
    }();
    if (SetScope)
        SetScope(AEdit, AKind == TKeyboardKind::Email ? ScopeEmail : ScopeNumber);
}

bool HighContrastOn()
{
    HIGHCONTRASTW Contrast = {};
    Contrast.cbSize = sizeof Contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof Contrast, &Contrast, 0) &&
           (Contrast.dwFlags & HCF_HIGHCONTRASTON);
}

UString WindowText(HWND AWindow)
{
    const int Length = GetWindowTextLengthW(AWindow);
    std::wstring Text(static_cast<size_t>(Length) + 1, L'\0');
    Text.resize(GetWindowTextW(AWindow, Text.data(), Length + 1));
    return U(Text);
}

bool HasWindow(TControlKind AKind)
{
    switch (AKind) {
    case TControlKind::Form:
    case TControlKind::FilledRect:
    case TControlKind::Picture:
    case TControlKind::Panel:
    case TControlKind::ButtonCaption: return false;
    default: return true;
    }
}

// Decodes the background picture from the program's resources and scales it to AWidth x AHeight
// as premultiplied 32-bit pixels, ready for AlphaBlend.
TPixelSurface DecodePicture(HINSTANCE AInstance, HDC ACompatible, int AWidth, int AHeight)
{
    using Microsoft::WRL::ComPtr;
    HRSRC Resource = FindResourceW(AInstance, L"BACKGROUND", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL Loaded = Resource ? LoadResource(AInstance, Resource) : nullptr;
    const void* Data = Loaded ? LockResource(Loaded) : nullptr;
    if (!Data)
        return {};
    ComPtr<IWICImagingFactory> Factory;
    ComPtr<IWICStream> Stream;
    ComPtr<IWICBitmapDecoder> Decoder;
    ComPtr<IWICBitmapFrameDecode> Frame;
    ComPtr<IWICBitmapScaler> Scaler;
    ComPtr<IWICFormatConverter> Converter;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&Factory))) ||
        FAILED(Factory->CreateStream(&Stream)) ||
        FAILED(Stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(Data)), SizeofResource(AInstance, Resource))) ||
        FAILED(Factory->CreateDecoderFromStream(Stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &Decoder)) ||
        FAILED(Decoder->GetFrame(0, &Frame)) || FAILED(Factory->CreateBitmapScaler(&Scaler)) ||
        FAILED(Scaler->Initialize(Frame.Get(), AWidth, AHeight, WICBitmapInterpolationModeFant)) ||
        FAILED(Factory->CreateFormatConverter(&Converter)) ||
        FAILED(Converter->Initialize(Scaler.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return {};
    TPixelSurface Picture(ACompatible, AWidth, AHeight);
    if (!Picture)
        return {};
    GdiFlush();
    if (FAILED(Converter->CopyPixels(nullptr, AWidth * 4, AWidth * AHeight * 4, reinterpret_cast<BYTE*>(Picture.Pixels()))))
        return {};
    return Picture;
}

}  // namespace

TWin32FormView::TWin32FormView(HINSTANCE AInstance) : FInstance(AInstance) {}

TWin32FormView::~TWin32FormView()
{
    // The form may already be gone: the window's last messages must not reach it.
    FForm = nullptr;
    if (FWindow)
        DestroyWindow(FWindow);
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
    FForm = &AForm;
    FHook = std::move(AHook);
    FHighContrast = HighContrastOn();
    FWhiteBrush = UniqueBrush(CreateSolidBrush(RGB(255, 255, 255)));

    WNDCLASSEXW Class = {};
    Class.cbSize = sizeof Class;
    Class.lpfnWndProc = WindowProc;
    Class.hInstance = FInstance;
    Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Class.hIcon = static_cast<HICON>(LoadImageW(FInstance, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                GetSystemMetrics(SM_CYICON), LR_SHARED));
    Class.hIconSm = static_cast<HICON>(LoadImageW(FInstance, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    Class.lpszClassName = FormClassName;
    RegisterClassExW(&Class);

    WNDCLASSEXW Indicator = {};
    Indicator.cbSize = sizeof Indicator;
    Indicator.lpfnWndProc = DefWindowProcW;
    Indicator.hInstance = FInstance;
    Indicator.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Indicator.lpszClassName = IndicatorClassName;
    RegisterClassExW(&Indicator);

    // Created on the primary monitor, so its DPI is known before the window gets its size.
    MONITORINFO Monitor = {};
    Monitor.cbSize = sizeof Monitor;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &Monitor);
    const TControl& Form = FForm->Ctl(TCtl::MainForm);
    constexpr DWORD Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    constexpr DWORD ExStyle = WS_EX_CONTROLPARENT;
    if (!CreateWindowExW(ExStyle, FormClassName, W(Form.Text), Style, Monitor.rcWork.left, Monitor.rcWork.top, 100, 100,
                         nullptr, nullptr, FInstance, this))
        return false;
    FDpi = DpiOfWindow(FWindow);

    RECT Frame = {0, 0, Scale(Form.W), Scale(Form.H)};
    AdjustForDpi(Frame, Style, ExStyle, FDpi);
    const int Width = Frame.right - Frame.left, Height = Frame.bottom - Frame.top;
    const RECT& Work = Monitor.rcWork;
    SetWindowPos(FWindow, nullptr, Work.left + (Work.right - Work.left - Width) / 2,
                 Work.top + (Work.bottom - Work.top - Height) / 2, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);

    UpdateIcons();
    RebuildBackground();
    for (const TControl& C : FForm->Controls())
        CreateControl(C);
    // A later sibling lies over an earlier one: the log's top edge overlaps the setup button, and
    // the button goes last in the tab order of its page as well.
    if (HWND Setup = Child(TCtl::btnSetup))
        SetWindowPos(Setup, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

void TWin32FormView::Show(int AShowCommand)
{
    ShowWindow(FWindow, AShowCommand);
    UpdateWindow(FWindow);
    if (HWND First = GetNextDlgTabItem(FWindow, nullptr, FALSE))
        SetFocus(First);
}

int TWin32FormView::Scale(double AUnits) const { return static_cast<int>(std::lround(AUnits * FDpi / 96.0)); }

RECT TWin32FormView::DeviceRect(const TControl& AControl) const
{
    double X = AControl.X, Y = AControl.Y;
    for (TCtl Parent = AControl.Parent; Parent != TCtl::None && Parent != TCtl::MainForm;) {
        const TControl& P = FForm->Ctl(Parent);
        X += P.X;
        Y += P.Y;
        Parent = P.Parent;
    }
    // Both edges are scaled from their own position, so neighbours stay seamless at any DPI.
    return RECT{Scale(X), Scale(Y), Scale(X + AControl.W), Scale(Y + AControl.H)};
}

HFONT TWin32FormView::Font(double APoints, bool ABold)
{
    const auto Key = std::make_pair(static_cast<int>(std::lround(APoints * 10)), ABold);
    auto Found = FFonts.find(Key);
    if (Found != FFonts.end())
        return Found->second.Get();
    // Sizes count in the window's device-independent units, like its geometry: the boxes of the
    // description were laid out for text of that height (at 1/72 inch the code prompt and the
    // result headline no longer fit their boxes).
    HFONT Font = CreateFontW(-Scale(APoints), 0, 0, 0, ABold ? FW_BOLD : FW_NORMAL,
                             FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, FontFace);
    FFonts.emplace(Key, UniqueFont(Font));
    return Font;
}

HWND TWin32FormView::Child(TCtl AId) const
{
    auto Found = FChildren.find(AId);
    return Found == FChildren.end() ? nullptr : Found->second;
}

COLORREF TWin32FormView::TextColor(TAlphaColor AColor) const
{
    if (FHighContrast)
        return GetSysColor(COLOR_WINDOWTEXT);
    return ToColorRef(AColor == claNull ? StyleFontColor : AColor);
}

void TWin32FormView::UpdateIcons()
{
    // Sized for the window's own DPI, so the title bar and the task bar get a sharp image.
    const int Big = Scale(32), Small = Scale(16);
    UniqueIcon BigIcon(static_cast<HICON>(LoadImageW(FInstance, L"MAINICON", IMAGE_ICON, Big, Big, 0)));
    UniqueIcon SmallIcon(static_cast<HICON>(LoadImageW(FInstance, L"MAINICON", IMAGE_ICON, Small, Small, 0)));
    SendMessageW(FWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(BigIcon.Get()));
    SendMessageW(FWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(SmallIcon.Get()));
    // The old icons go only once the window no longer uses them.
    FBigIcon = std::move(BigIcon);
    FSmallIcon = std::move(SmallIcon);
}

void TWin32FormView::RebuildBackground()
{
    const TControl& Form = FForm->Ctl(TCtl::MainForm);
    RECT Client = {};
    GetClientRect(FWindow, &Client);
    const int Width = std::max<int>(Client.right, Scale(Form.W)), Height = std::max<int>(Client.bottom, Scale(Form.H));
    HDC Screen = GetDC(FWindow);
    FBackground = TPixelSurface(Screen, Width, Height);
    const TControl& Fill = FForm->Ctl(TCtl::RectBackground);
    const COLORREF Paper = FHighContrast ? GetSysColor(COLOR_WINDOW) : ToColorRef(Fill.FillColor);
    UniqueBrush PaperBrush(CreateSolidBrush(Paper));
    RECT All = {0, 0, Width, Height};
    FillRect(FBackground.DC(), &All, PaperBrush.Get());

    // High contrast shows plain system colours: no picture behind the text.
    const TControl& Picture = FForm->Ctl(TCtl::BackgroundImage);
    if (!FHighContrast && Picture.Visible) {
        const RECT Box = DeviceRect(Picture);
        const int BoxW = Box.right - Box.left, BoxH = Box.bottom - Box.top;
        if (FPictureDpi != FDpi || FPicture.Width() != BoxW || FPicture.Height() != BoxH) {
            FPicture = DecodePicture(FInstance, Screen, BoxW, BoxH);
            FPictureDpi = FDpi;
        }
        if (FPicture) {
            const BLENDFUNCTION Blend = {AC_SRC_OVER, 0, static_cast<BYTE>(std::lround(Picture.Opacity * 255)), AC_SRC_ALPHA};
            AlphaBlend(FBackground.DC(), Box.left, Box.top, BoxW, BoxH, FPicture.DC(), 0, 0, BoxW, BoxH, Blend);
        }
    }
    ReleaseDC(FWindow, Screen);
}

void TWin32FormView::CreateControl(const TControl& AControl)
{
    if (!HasWindow(AControl.Kind))
        return;
    const wchar_t* Class = L"STATIC";
    DWORD Style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ExStyle = 0;
    UString Text = AControl.Text;
    switch (AControl.Kind) {
    case TControlKind::Label:
        // A label that takes clicks is a link: the keyboard reaches it too.
        Style |= SS_LEFT | (AControl.HitTest ? SS_NOTIFY | WS_TABSTOP : 0);
        break;
    case TControlKind::Edit:
        Class = L"EDIT";
        Style |= WS_TABSTOP | ES_AUTOHSCROLL | (AControl.HAlign == THAlign::Center ? ES_CENTER : ES_LEFT);
        break;
    case TControlKind::RoundButton:
        Class = L"BUTTON";
        Style |= WS_TABSTOP | BS_OWNERDRAW;
        for (const TControl& C : FForm->Controls())
            if (C.Parent == AControl.Id && C.Kind == TControlKind::ButtonCaption)
                Text = C.Text;
        break;
    case TControlKind::PushButton:
        Class = L"BUTTON";
        Style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
    case TControlKind::CheckListBox:
        Class = L"LISTBOX";
        Style |= WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY |
                 LBS_NOINTEGRALHEIGHT;
        break;
    case TControlKind::Memo:
        Class = L"EDIT";
        Style |= WS_TABSTOP | WS_VSCROLL | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL;
        break;
    case TControlKind::ActivityIndicator:
        Class = IndicatorClassName;
        break;
    default: return;
    }
    const RECT Box = DeviceRect(AControl);
    HWND Window = CreateWindowExW(ExStyle, Class, W(Text), Style, Box.left, Box.top, Box.right - Box.left,
                                  Box.bottom - Box.top, FWindow,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(AControl.Id)), FInstance, nullptr);
    if (!Window)
        return;
    FChildren[AControl.Id] = Window;
    SetWindowSubclass(Window, ControlProc, static_cast<UINT_PTR>(AControl.Id), reinterpret_cast<DWORD_PTR>(this));
    if (AControl.Kind == TControlKind::Edit) {
        if (AControl.MaxLength > 0)
            SendMessageW(Window, EM_LIMITTEXT, AControl.MaxLength, 0);
        if (!AControl.Prompt.empty())
            SendMessageW(Window, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(W(AControl.Prompt)));
        SetKeyboardKind(Window, AControl.Keyboard);
    }
    SyncControl(AControl);
}

void TWin32FormView::LayoutAll()
{
    for (const TControl& C : FForm->Controls())
        SyncControl(C);
}

void TWin32FormView::SyncAll()
{
    LayoutAll();
    RedrawWindow(FWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TWin32FormView::SyncControl(const TControl& AControl)
{
    if (AControl.Kind == TControlKind::ButtonCaption) {
        if (HWND Button = Child(AControl.Parent)) {
            if (WindowText(Button) != AControl.Text)
                SetWindowTextW(Button, W(AControl.Text));
            InvalidateRect(Button, nullptr, FALSE);
        }
        return;
    }
    if (AControl.Kind == TControlKind::Panel) {
        for (const TControl& C : FForm->Controls())
            if (C.Parent == AControl.Id)
                SyncControl(C);
        return;
    }
    HWND Window = Child(AControl.Id);
    if (!Window)
        return;
    FSyncing = true;
    const RECT Box = DeviceRect(AControl);
    SetWindowPos(Window, nullptr, Box.left, Box.top, Box.right - Box.left, Box.bottom - Box.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);

    switch (AControl.Kind) {
    case TControlKind::Label:
    case TControlKind::PushButton:
    case TControlKind::Edit:
        if (WindowText(Window) != AControl.Text)
            SetWindowTextW(Window, W(AControl.Text));
        break;
    case TControlKind::Memo:
        if (WindowText(Window) != AControl.Text) {
            SetWindowTextW(Window, W(AControl.Text));
            const int End = GetWindowTextLengthW(Window);
            SendMessageW(Window, EM_SETSEL, End, End);
            SendMessageW(Window, EM_SCROLLCARET, 0, 0);
        }
        SendMessageW(Window, EM_SETREADONLY, AControl.ReadOnly, 0);
        break;
    case TControlKind::CheckListBox: {
        const int Count = static_cast<int>(SendMessageW(Window, LB_GETCOUNT, 0, 0));
        bool Same = Count == static_cast<int>(AControl.Items.size());
        for (int I = 0; Same && I < Count; ++I) {
            std::wstring Text(static_cast<size_t>(SendMessageW(Window, LB_GETTEXTLEN, I, 0)) + 1, L'\0');
            Text.resize(SendMessageW(Window, LB_GETTEXT, I, reinterpret_cast<LPARAM>(Text.data())));
            Same = U(Text) == AControl.Items[I].Text;
        }
        if (!Same) {
            SendMessageW(Window, LB_RESETCONTENT, 0, 0);
            for (const TListItem& Item : AControl.Items)
                SendMessageW(Window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(Item.Text)));
        }
        SendMessageW(Window, LB_SETITEMHEIGHT, 0, Scale(AControl.ItemHeight));
        InvalidateRect(Window, nullptr, TRUE);
        break;
    }
    default: break;
    }

    HFONT ControlFont = Font(AControl.FontSize > 0 ? AControl.FontSize : StyleFontSize, AControl.Bold);
    if (AControl.Kind == TControlKind::CheckListBox)
        ControlFont = Font(AControl.ItemFontSize, false);
    if (reinterpret_cast<HFONT>(SendMessageW(Window, WM_GETFONT, 0, 0)) != ControlFont) {
        SendMessageW(Window, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont), FALSE);
        // The edit box centres its text through its frame, which depends on the font.
        SetWindowPos(Window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }

    if (!IsWindowEnabled(Window) != !AControl.Enabled)
        EnableWindow(Window, AControl.Enabled);

    const bool Showing = FForm->IsShowing(AControl.Id);
    if (AControl.Kind == TControlKind::ActivityIndicator) {
        if (Showing && AControl.Animating)
            SetTimer(Window, SpinnerTimer, SpinnerIntervalMs, nullptr);
        else
            KillTimer(Window, SpinnerTimer);
    }
    if (!IsWindowVisible(Window) != !Showing)
        ShowWindow(Window, Showing ? SW_SHOWNA : SW_HIDE);
    InvalidateRect(Window, nullptr, FALSE);
    FSyncing = false;
}

void TWin32FormView::ControlAdded(const TControl& AControl) { CreateControl(AControl); }

void TWin32FormView::ControlChanged(const TControl& AControl)
{
    if (!FWindow)
        return;
    SyncControl(AControl);
    // Focus never stays on a control that can no longer take it.
    HWND Focus = GetFocus();
    if (Focus && GetParent(Focus) == FWindow && (!IsWindowVisible(Focus) || !IsWindowEnabled(Focus)))
        if (HWND Next = GetNextDlgTabItem(FWindow, Focus, FALSE); Next && Next != Focus)
            SetFocus(Next);
}

void TWin32FormView::FocusControl(TCtl AId)
{
    if (HWND Window = Child(AId))
        SetFocus(Window);
}

void TWin32FormView::ShowMessage(const UString& AText)
{
    MessageBoxW(FWindow, W(AText), W(FForm->Ctl(TCtl::MainForm).Text), MB_OK | MB_ICONINFORMATION);
}

void TWin32FormView::Close()
{
    if (FWindow)
        PostMessageW(FWindow, WM_CLOSE, 0, 0);
}

void TWin32FormView::PaintSlice(HWND AControl, HDC ATarget, const std::function<void(TPixelSurface&)>& ADrawContent)
{
    RECT Client = {};
    GetClientRect(AControl, &Client);
    TPixelSurface Surface(ATarget, Client.right, Client.bottom);
    if (!Surface)
        return;
    POINT Origin = {0, 0};
    MapWindowPoints(AControl, FWindow, &Origin, 1);
    BitBlt(Surface.DC(), 0, 0, Client.right, Client.bottom, FBackground.DC(), Origin.x, Origin.y, SRCCOPY);
    ADrawContent(Surface);
    GdiFlush();
    BitBlt(ATarget, 0, 0, Client.right, Client.bottom, Surface.DC(), 0, 0, SRCCOPY);
}

namespace {

void DrawTextBlock(HDC ADC, const UString& AText, RECT ABox, THAlign AHAlign, TVAlign AVAlign, UINT AExtra = 0)
{
    const UINT Flags = DT_NOPREFIX | DT_WORDBREAK | (AHAlign == THAlign::Center ? DT_CENTER : DT_LEFT) | AExtra;
    RECT Measured = ABox;
    DrawTextW(ADC, W(AText), -1, &Measured, Flags | DT_CALCRECT);
    const int TextHeight = Measured.bottom - Measured.top;
    if (AVAlign == TVAlign::Center && TextHeight < ABox.bottom - ABox.top)
        ABox.top += (ABox.bottom - ABox.top - TextHeight) / 2;
    DrawTextW(ADC, W(AText), -1, &ABox, Flags);
}

}  // namespace

void TWin32FormView::PaintLabel(HWND AControl, HDC ATarget, const TControl& ALabel)
{
    PaintSlice(AControl, ATarget, [&](TPixelSurface& ASurface) {
        HDC DC = ASurface.DC();
        SelectObject(DC, Font(ALabel.FontSize > 0 ? ALabel.FontSize : StyleFontSize, ALabel.Bold));
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, TextColor(ALabel.FontColor));
        RECT Box = {0, 0, ASurface.Width(), ASurface.Height()};
        DrawTextBlock(DC, ALabel.Text, Box, ALabel.HAlign, ALabel.VAlign);
        if (ALabel.HitTest && GetFocus() == AControl)
            DrawFocusRect(DC, &Box);
    });
}

void TWin32FormView::PaintRoundButton(HWND AControl, HDC ATarget, const TControl& AButton, bool APressed, bool AFocused)
{
    const TControl* Caption = nullptr;
    for (const TControl& C : FForm->Controls())
        if (C.Parent == AButton.Id && C.Kind == TControlKind::ButtonCaption)
            Caption = &C;
    PaintSlice(AControl, ATarget, [&](TPixelSurface& ASurface) {
        const RECT Box = {0, 0, ASurface.Width(), ASurface.Height()};
        const double Radius = ButtonRadius * FDpi / 96.0;
        COLORREF Fill = FHighContrast ? GetSysColor(COLOR_BTNFACE) : ToColorRef(AButton.FillColor);
        if (APressed)
            Fill = BlendColor(Fill, RGB(0, 0, 0), 0.18);
        FillRoundRect(ASurface, Box, Radius, Fill, AButton.Opacity);
        if (FHighContrast)
            FrameRoundRect(ASurface, Box, Radius, std::max(1.0, FDpi / 96.0), GetSysColor(AFocused ? COLOR_HIGHLIGHT : COLOR_BTNTEXT));
        else if (AFocused) {
            const int Inset = Scale(3);
            const RECT Ring = {Inset, Inset, Box.right - Inset, Box.bottom - Inset};
            FrameRoundRect(ASurface, Ring, std::max(Radius - Inset, 1.0), std::max(1.0, 1.5 * FDpi / 96.0), RGB(255, 255, 255));
        }
        if (!Caption)
            return;
        HDC DC = ASurface.DC();
        // Half opacity applies to the caption too: blend it with what lies under its middle.
        const uint32_t Middle = ASurface.Pixels()[(Box.bottom / 2) * ASurface.Width() + Box.right / 2];
        const COLORREF Under = RGB((Middle >> 16) & 0xFF, (Middle >> 8) & 0xFF, Middle & 0xFF);
        const COLORREF Text = FHighContrast ? GetSysColor(COLOR_BTNTEXT) : ToColorRef(Caption->FontColor);
        SelectObject(DC, Font(Caption->FontSize > 0 ? Caption->FontSize : StyleFontSize, Caption->Bold));
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, BlendColor(Under, Text, AButton.Opacity));
        RECT TextBox = Box;
        DrawTextW(DC, W(Caption->Text), -1, &TextBox, DT_NOPREFIX | DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    });
}

void TWin32FormView::PaintIndicator(HWND AControl, HDC ATarget)
{
    PaintSlice(AControl, ATarget, [&](TPixelSurface& ASurface) {
        const double CenterX = ASurface.Width() / 2.0, CenterY = ASurface.Height() / 2.0;
        const double Orbit = std::min(CenterX, CenterY) * 0.68, Dot = std::min(CenterX, CenterY) * 0.16;
        const COLORREF Color = FHighContrast ? GetSysColor(COLOR_WINDOWTEXT) : ToColorRef(claButtonBlue);
        for (int I = 0; I < SpinnerDots; ++I) {
            const double Angle = 2 * 3.14159265358979 * I / SpinnerDots - 3.14159265358979 / 2;
            // The dot at the phase is solid; the ones behind it fade out.
            const int Age = (FSpinnerPhase - I + SpinnerDots) % SpinnerDots;
            const double Opacity = 1.0 - 0.8 * Age / (SpinnerDots - 1);
            FillDisc(ASurface, CenterX + Orbit * std::cos(Angle), CenterY + Orbit * std::sin(Angle), Dot, Color, Opacity);
        }
    });
}

void TWin32FormView::PaintEditFrame(HWND AControl)
{
    HDC DC = GetWindowDC(AControl);
    RECT Window = {}, Client = {};
    GetWindowRect(AControl, &Window);
    GetClientRect(AControl, &Client);
    MapWindowPoints(AControl, nullptr, reinterpret_cast<POINT*>(&Client), 2);
    OffsetRect(&Client, -Window.left, -Window.top);
    OffsetRect(&Window, -Window.left, -Window.top);
    ExcludeClipRect(DC, Client.left, Client.top, Client.right, Client.bottom);
    const COLORREF Paper = FHighContrast ? GetSysColor(COLOR_WINDOW) : RGB(255, 255, 255);
    UniqueBrush PaperBrush(CreateSolidBrush(Paper));
    FillRect(DC, &Window, PaperBrush.Get());
    COLORREF Border = ToColorRef(GetFocus() == AControl ? claButtonBlue : EditBorderColor);
    if (FHighContrast)
        Border = GetSysColor(GetFocus() == AControl ? COLOR_HIGHLIGHT : COLOR_WINDOWTEXT);
    UniqueBrush BorderBrush(CreateSolidBrush(Border));
    const int Line = GetFocus() == AControl ? std::max(1, Scale(2)) : std::max(1, Scale(1));
    for (int I = 0; I < Line; ++I) {
        RECT Ring = {Window.left + I, Window.top + I, Window.right - I, Window.bottom - I};
        FrameRect(DC, &Ring, BorderBrush.Get());
    }
    ReleaseDC(AControl, DC);
}

void TWin32FormView::ToggleListItem(HWND AList, int AIndex)
{
    const TControl& List = FForm->Ctl(TCtl::lstCompanies);
    if (AIndex < 0 || AIndex >= static_cast<int>(List.Items.size()))
        return;
    FForm->ItemChecked(TCtl::lstCompanies, AIndex, !List.Items[AIndex].Checked);
    RECT Item = {};
    if (SendMessageW(AList, LB_GETITEMRECT, AIndex, reinterpret_cast<LPARAM>(&Item)) != LB_ERR)
        InvalidateRect(AList, &Item, FALSE);
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, AList, OBJID_CLIENT, AIndex + 1);
}

LRESULT CALLBACK TWin32FormView::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam)
{
    if (AMessage == WM_NCCREATE) {
        auto* View = static_cast<TWin32FormView*>(reinterpret_cast<CREATESTRUCTW*>(ALParam)->lpCreateParams);
        View->FWindow = AWindow;
        SetWindowLongPtrW(AWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(View));
    }
    auto* View = reinterpret_cast<TWin32FormView*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
    if (!View || !View->FForm)
        return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
    if (AMessage == WM_NCDESTROY) {
        SetWindowLongPtrW(AWindow, GWLP_USERDATA, 0);
        View->FWindow = nullptr;
        View->FChildren.clear();
        return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
    }
    return View->HandleMessage(AMessage, AWParam, ALParam);
}

LRESULT TWin32FormView::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam)
{
    if (FHook) {
        LRESULT Result = 0;
        if (FHook(*FForm, FWindow, AMessage, AWParam, ALParam, Result))
            return Result;
    }
    switch (AMessage) {
    case WM_ERASEBKGND: {
        RECT Client = {};
        GetClientRect(FWindow, &Client);
        BitBlt(reinterpret_cast<HDC>(AWParam), 0, 0, Client.right, Client.bottom, FBackground.DC(), 0, 0, SRCCOPY);
        return 1;
    }
    case WM_PRINTCLIENT:
    case WM_PAINT: {
        PAINTSTRUCT Paint;
        HDC DC = AMessage == WM_PAINT ? BeginPaint(FWindow, &Paint) : reinterpret_cast<HDC>(AWParam);
        RECT Client = {};
        GetClientRect(FWindow, &Client);
        BitBlt(DC, 0, 0, Client.right, Client.bottom, FBackground.DC(), 0, 0, SRCCOPY);
        if (AMessage == WM_PAINT)
            EndPaint(FWindow, &Paint);
        return 0;
    }
    case WM_SIZE: {
        RECT Client = {};
        GetClientRect(FWindow, &Client);
        if (Client.right > FBackground.Width() || Client.bottom > FBackground.Height())
            RebuildBackground();
        return 0;
    }
    case WM_DPICHANGED: return OnDpiChanged(HIWORD(AWParam), *reinterpret_cast<const RECT*>(ALParam));
    case WM_COMMAND: return OnCommand(LOWORD(AWParam), HIWORD(AWParam), reinterpret_cast<HWND>(ALParam));
    case WM_DRAWITEM: return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(ALParam));
    case WM_MEASUREITEM: {
        auto* Item = reinterpret_cast<MEASUREITEMSTRUCT*>(ALParam);
        if (Item->CtlType == ODT_LISTBOX)
            Item->itemHeight = Scale(FForm->Ctl(static_cast<TCtl>(Item->CtlID)).ItemHeight);
        return TRUE;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX: return OnCtlColor(reinterpret_cast<HDC>(AWParam), reinterpret_cast<HWND>(ALParam));
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED: OnSettingsChanged(); break;
    case WM_ACTIVATE:
        if (LOWORD(AWParam) == WA_INACTIVE) {
            FLastFocus = GetFocus();
        } else if (FLastFocus && IsWindow(FLastFocus) && IsWindowVisible(FLastFocus) && IsWindowEnabled(FLastFocus)) {
            SetFocus(FLastFocus);
            return 0;
        }
        break;
    case WM_CLOSE:
        if (FForm->CloseQuery())
            DestroyWindow(FWindow);
        return 0;
    case WM_DESTROY:
        for (auto& [Id, Window] : FChildren)
            KillTimer(Window, SpinnerTimer);
        FForm->FormDestroy();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(FWindow, AMessage, AWParam, ALParam);
}

LRESULT TWin32FormView::OnDpiChanged(UINT ADpi, const RECT& ASuggested)
{
    FDpi = ADpi;
    // The controls still hold the old fonts until LayoutAll hands them the new ones.
    auto OldFonts = std::move(FFonts);
    FFonts.clear();
    SetWindowPos(FWindow, nullptr, ASuggested.left, ASuggested.top, ASuggested.right - ASuggested.left,
                 ASuggested.bottom - ASuggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateIcons();
    RebuildBackground();
    SyncAll();
    return 0;
}

void TWin32FormView::OnSettingsChanged()
{
    const bool Contrast = HighContrastOn();
    if (Contrast == FHighContrast)
        return;
    FHighContrast = Contrast;
    RebuildBackground();
    SyncAll();
}

LRESULT TWin32FormView::OnCommand(WORD AId, WORD ACode, HWND AControl)
{
    if (!AControl || !Child(static_cast<TCtl>(AId)))
        return 0;
    const TCtl Id = static_cast<TCtl>(AId);
    const TControlKind Kind = FForm->Ctl(Id).Kind;
    if (Kind == TControlKind::Edit && ACode == EN_CHANGE) {
        if (!FSyncing)
            FForm->TextEdited(Id, WindowText(AControl));
    } else if ((Kind == TControlKind::RoundButton || Kind == TControlKind::PushButton) && ACode == BN_CLICKED) {
        FForm->Click(Id);
    } else if (Kind == TControlKind::Label && ACode == STN_CLICKED) {
        FForm->Click(Id);
    }
    return 0;
}

LRESULT TWin32FormView::OnDrawItem(const DRAWITEMSTRUCT& AItem)
{
    const TCtl Id = static_cast<TCtl>(AItem.CtlID);
    if (AItem.CtlType == ODT_BUTTON) {
        PaintRoundButton(AItem.hwndItem, AItem.hDC, FForm->Ctl(Id), AItem.itemState & ODS_SELECTED,
                         (AItem.itemState & ODS_FOCUS) && !(AItem.itemState & ODS_NOFOCUSRECT));
        return TRUE;
    }
    if (AItem.CtlType != ODT_LISTBOX)
        return FALSE;
    const TControl& List = FForm->Ctl(Id);
    HDC DC = AItem.hDC;
    const RECT& Row = AItem.rcItem;
    const COLORREF Paper = FHighContrast ? GetSysColor(COLOR_WINDOW) : RGB(255, 255, 255);
    UniqueBrush PaperBrush(CreateSolidBrush(Paper));
    FillRect(DC, &Row, PaperBrush.Get());
    if (AItem.itemID == static_cast<UINT>(-1) || AItem.itemID >= List.Items.size())
        return TRUE;
    const TListItem& Item = List.Items[AItem.itemID];

    // The check box: drawn by us so it scales with the DPI and follows high contrast.
    const int Box = Scale(16), Left = Row.left + Scale(8), Top = Row.top + (Row.bottom - Row.top - Box) / 2;
    TPixelSurface Surface(DC, Box, Box);
    if (Surface) {
        RECT All = {0, 0, Box, Box};
        FillRect(Surface.DC(), &All, PaperBrush.Get());
        const double Radius = 3 * FDpi / 96.0;
        const COLORREF Accent = FHighContrast ? GetSysColor(COLOR_WINDOWTEXT) : ToColorRef(claButtonBlue);
        if (Item.Checked && !FHighContrast)
            FillRoundRect(Surface, All, Radius, Accent, 1.0);
        else
            FrameRoundRect(Surface, All, Radius, std::max(1.0, FDpi / 96.0),
                           FHighContrast ? Accent : ToColorRef(0xFF8A8A8A));
        if (Item.Checked) {
            UniqueHandle<HPEN, DeleteGdiObject> Pen(
                CreatePen(PS_SOLID, std::max(2, Scale(2)), FHighContrast ? Accent : RGB(255, 255, 255)));
            HGDIOBJ Old = SelectObject(Surface.DC(), Pen.Get());
            const POINT Tick[] = {{Box * 4 / 16, Box * 8 / 16}, {Box * 7 / 16, Box * 11 / 16}, {Box * 12 / 16, Box * 5 / 16}};
            Polyline(Surface.DC(), Tick, 3);
            SelectObject(Surface.DC(), Old);
        }
        GdiFlush();
        BitBlt(DC, Left, Top, Box, Box, Surface.DC(), 0, 0, SRCCOPY);
    }
    SelectObject(DC, Font(List.ItemFontSize, false));
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, TextColor(claNull));
    RECT Text = Row;
    Text.left = Left + Box + Scale(10);
    Text.right -= Scale(4);
    DrawTextW(DC, W(Item.Text), -1, &Text, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    if ((AItem.itemState & ODS_FOCUS) && !(AItem.itemState & ODS_NOFOCUSRECT))
        DrawFocusRect(DC, &Row);
    return TRUE;
}

LRESULT TWin32FormView::OnCtlColor(HDC ADC, HWND AControl)
{
    if (FHighContrast)
        return DefWindowProcW(FWindow, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(ADC), reinterpret_cast<LPARAM>(AControl));
    SetBkColor(ADC, RGB(255, 255, 255));
    SetTextColor(ADC, IsWindowEnabled(AControl) ? TextColor(claNull) : GetSysColor(COLOR_GRAYTEXT));
    return reinterpret_cast<LRESULT>(FWhiteBrush.Get());
}

LRESULT CALLBACK TWin32FormView::ControlProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR AId,
                                             DWORD_PTR AView)
{
    if (AMessage == WM_NCDESTROY) {
        RemoveWindowSubclass(AWindow, ControlProc, AId);
        return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
    }
    auto* View = reinterpret_cast<TWin32FormView*>(AView);
    if (!View->FForm)
        return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
    return View->HandleControlMessage(AWindow, static_cast<TCtl>(AId), AMessage, AWParam, ALParam);
}

LRESULT TWin32FormView::HandleControlMessage(HWND AWindow, TCtl AId, UINT AMessage, WPARAM AWParam, LPARAM ALParam)
{
    const TControl& C = FForm->Ctl(AId);
    switch (AMessage) {
    case WM_NCHITTEST:
        if (!C.HitTest && (C.Kind == TControlKind::Label || C.Kind == TControlKind::RoundButton ||
                           C.Kind == TControlKind::ActivityIndicator))
            return HTTRANSPARENT;
        break;
    case WM_SETCURSOR:
        if (C.HandCursor && LOWORD(ALParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    default: break;
    }

    switch (C.Kind) {
    case TControlKind::Label:
        switch (AMessage) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT Paint;
            HDC DC = BeginPaint(AWindow, &Paint);
            PaintLabel(AWindow, DC, C);
            EndPaint(AWindow, &Paint);
            return 0;
        }
        case WM_SETTEXT: {
            // The static control would paint the new text straight over the old one; store the
            // text only and repaint the whole slice.
            const LRESULT Result = DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
            InvalidateRect(AWindow, nullptr, FALSE);
            return Result;
        }
        case WM_ENABLE: InvalidateRect(AWindow, nullptr, FALSE); return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: InvalidateRect(AWindow, nullptr, FALSE); break;
        case WM_GETDLGCODE: {
            const auto* Message = reinterpret_cast<const MSG*>(ALParam);
            if (C.HitTest && Message && Message->message == WM_KEYDOWN &&
                (Message->wParam == VK_RETURN || Message->wParam == VK_SPACE))
                return DLGC_WANTMESSAGE | DLGC_STATIC;
            break;
        }
        case WM_KEYDOWN:
            if (C.HitTest && (AWParam == VK_RETURN || AWParam == VK_SPACE)) {
                FForm->Click(AId);
                return 0;
            }
            break;
        }
        break;
    case TControlKind::RoundButton:
        switch (AMessage) {
        case WM_ERASEBKGND: return 1;
        case WM_GETDLGCODE: {
            const auto* Message = reinterpret_cast<const MSG*>(ALParam);
            if (Message && Message->message == WM_KEYDOWN && Message->wParam == VK_RETURN)
                return DLGC_WANTMESSAGE | DLGC_BUTTON;
            break;
        }
        case WM_KEYDOWN:
            // Enter activates a focused button as Space does; a busy button ignores both.
            if (AWParam == VK_RETURN) {
                FForm->Click(AId);
                return 0;
            }
            break;
        }
        break;
    case TControlKind::Edit:
        switch (AMessage) {
        case WM_GETDLGCODE: {
            LRESULT Code = DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
            const auto* Message = reinterpret_cast<const MSG*>(ALParam);
            if (Message && Message->message == WM_KEYDOWN && Message->wParam == VK_RETURN)
                Code |= DLGC_WANTMESSAGE;
            return Code;
        }
        case WM_KEYDOWN: {
            FForm->KeyDown(AId, static_cast<int>(AWParam));
            if (!IsWindow(AWindow))
                return 0;
            break;
        }
        case WM_CHAR:
            // A single-line box has nothing to do with Enter but beep.
            if (AWParam == L'\r' || AWParam == L'\n')
                return 0;
            break;
        case WM_NCCALCSIZE:
            if (AWParam) {
                // Centres the single line of text vertically: the space above and below it
                // becomes part of the frame.
                auto* Size = reinterpret_cast<NCCALCSIZE_PARAMS*>(ALParam);
                RECT& Box = Size->rgrc[0];
                HDC DC = GetDC(AWindow);
                HGDIOBJ Old = SelectObject(DC, reinterpret_cast<HFONT>(SendMessageW(AWindow, WM_GETFONT, 0, 0)));
                TEXTMETRICW Metrics = {};
                GetTextMetricsW(DC, &Metrics);
                SelectObject(DC, Old);
                ReleaseDC(AWindow, DC);
                const int Border = std::max(2, Scale(2)), Inner = Box.bottom - Box.top - 2 * Border;
                const int Pad = std::max(0, static_cast<int>(Inner - Metrics.tmHeight) / 2);
                Box.left += Border + Scale(6);
                Box.right -= Border + Scale(6);
                Box.top += Border + Pad;
                Box.bottom = std::max(Box.top, Box.bottom - Border - Pad);
                return 0;
            }
            break;
        case WM_NCPAINT: PaintEditFrame(AWindow); return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE: {
            const LRESULT Result = DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
            RedrawWindow(AWindow, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
            return Result;
        }
        }
        break;
    case TControlKind::CheckListBox:
        switch (AMessage) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            const LRESULT Result = DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
            const LRESULT Hit = SendMessageW(AWindow, LB_ITEMFROMPOINT, 0, ALParam);
            if (HIWORD(Hit) == 0)
                ToggleListItem(AWindow, LOWORD(Hit));
            return Result;
        }
        case WM_KEYDOWN:
            if (AWParam == VK_SPACE) {
                ToggleListItem(AWindow, static_cast<int>(SendMessageW(AWindow, LB_GETCARETINDEX, 0, 0)));
                return 0;
            }
            break;
        case WM_CHAR:
            if (AWParam == L' ')
                return 0;
            break;
        }
        break;
    case TControlKind::ActivityIndicator:
        switch (AMessage) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT Paint;
            HDC DC = BeginPaint(AWindow, &Paint);
            PaintIndicator(AWindow, DC);
            EndPaint(AWindow, &Paint);
            return 0;
        }
        case WM_TIMER:
            if (AWParam == SpinnerTimer) {
                FSpinnerPhase = (FSpinnerPhase + 1) % SpinnerDots;
                InvalidateRect(AWindow, nullptr, FALSE);
                return 0;
            }
            break;
        }
        break;
    default: break;
    }
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
}

}  // namespace zelv::win32
