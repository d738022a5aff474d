// Drives the real program's window from a second process, as a user or a screen reader would:
// controls are found by their ids, read through window messages, MSAA and the pixels the window painted.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "app/frmMainLayout.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Text.h"
#include "win/WindowDriver.h"

using namespace zelv;
using namespace zelv::test;
using Microsoft::WRL::ComPtr;

namespace {

// Sets the prefix's display scaling for the programs started while it lives, and puts the old
// value back afterwards, even when the test fails.
class TLogPixelsScope {
public:
    explicit TLogPixelsScope(DWORD ADpi)
    {
        HKEY Key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &Key, nullptr);
        FKey = win32::UniqueKey(Key);
        DWORD Size = sizeof FOld, Type = 0;
        FHadValue = RegQueryValueExW(FKey.Get(), L"LogPixels", nullptr, &Type, reinterpret_cast<BYTE*>(&FOld), &Size) ==
                        ERROR_SUCCESS && Type == REG_DWORD;
        RegSetValueExW(FKey.Get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ADpi), sizeof ADpi);
    }
    ~TLogPixelsScope()
    {
        if (FHadValue)
            RegSetValueExW(FKey.Get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&FOld), sizeof FOld);
        else
            RegDeleteValueW(FKey.Get(), L"LogPixels");
    }
    TLogPixelsScope(const TLogPixelsScope&) = delete;
    TLogPixelsScope& operator=(const TLogPixelsScope&) = delete;

private:
    win32::UniqueKey FKey;
    DWORD FOld = 0;
    bool FHadValue = false;
};

// Where the description puts a control, in pixels at ADpi: both edges scaled from their position
// in units, relative to the window's client area.
RECT ExpectedRect(const std::vector<TControl>& ADescription, const TControl& AControl, double ADpi)
{
    double X = AControl.X, Y = AControl.Y;
    for (TCtl Parent = AControl.Parent; Parent != TCtl::None && Parent != TCtl::MainForm;) {
        for (const TControl& P : ADescription)
            if (P.Id == Parent) {
                X += P.X;
                Y += P.Y;
                Parent = P.Parent;
                break;
            }
    }
    auto Px = [ADpi](double AUnits) { return static_cast<LONG>(std::lround(AUnits * ADpi / 96.0)); };
    return RECT{Px(X), Px(Y), Px(X + AControl.W), Px(Y + AControl.H)};
}

bool HasWindow(TControlKind AKind)
{
    return AKind != TControlKind::Form && AKind != TControlKind::FilledRect && AKind != TControlKind::Picture &&
           AKind != TControlKind::Panel && AKind != TControlKind::ButtonCaption;
}

// The description with the two labels that the controller makes at start.
std::vector<TControl> DescriptionAfterStart()
{
    std::vector<TControl> D = LoadFormDescription(TDeviceClass::Desktop);
    TControl Result;
    Result.Id = TCtl::FLblSetupResult;
    Result.Name = "FLblSetupResult";
    Result.Parent = TCtl::PanelCompanies;
    Result.W = 345;
    Result.H = 54;
    D.push_back(Result);
    TControl Link = Result;
    Link.Id = TCtl::FLblShowLog;
    Link.Name = "FLblShowLog";
    Link.Y = 60;
    Link.H = 24;
    D.push_back(Link);
    return D;
}

void ExpectGeometry(const TProgram& AProgram, double ADpi)
{
    RECT Client = {};
    GetClientRect(AProgram.Window(), &Client);
    EXPECT_EQ(Client.right, std::lround(401 * ADpi / 96));
    EXPECT_EQ(Client.bottom, std::lround(580 * ADpi / 96));
    const std::vector<TControl> D = DescriptionAfterStart();
    for (const TControl& C : D) {
        if (!HasWindow(C.Kind) && C.Id != TCtl::FLblSetupResult && C.Id != TCtl::FLblShowLog)
            continue;
        SCOPED_TRACE(C.Name);
        ASSERT_NE(AProgram.Child(C.Id), nullptr);
        const RECT Expected = ExpectedRect(D, C, ADpi), Actual = AProgram.Rect(C.Id);
        // A label whose text wraps past its box grows downwards (the code page's prompt does).
        const LONG Bottom = C.Kind == TControlKind::Label ? std::max(Actual.bottom, Expected.bottom) : Expected.bottom;
        EXPECT_EQ((std::vector<LONG>{Actual.left, Actual.top, Actual.right, Actual.bottom}),
                  (std::vector<LONG>{Expected.left, Expected.top, Expected.right, Bottom}));
    }
}

class MainWindow : public testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

// The program fills the stack canaries' value itself as it starts, from the system's random
// numbers (the C runtime's own start-up would open a whole cryptographic provider for it before
// the window): every start gets a value of its own.
TEST_F(MainWindow, EveryStartHasARandomStackCanary)
{
    LRESULT Guards[2] = {};
    for (LRESULT& Guard : Guards) {
        TProgram Program;
        ASSERT_NE(Program.Window(), nullptr);
        Guard = Program.Hook(tcStackGuard, 0);
    }
    EXPECT_NE(Guards[0], 0);
    EXPECT_NE(Guards[1], 0);
    EXPECT_NE(Guards[0], Guards[1]);
}

TEST_F(MainWindow, OpensCentredWithTheEmailPage)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    EXPECT_EQ(TextOf(Program.Window()), Title);
    EXPECT_EQ(FindWindowW(FormClass, Title) != nullptr, true);

    MONITORINFO Monitor = {};
    Monitor.cbSize = sizeof Monitor;
    GetMonitorInfoW(MonitorFromWindow(Program.Window(), MONITOR_DEFAULTTOPRIMARY), &Monitor);
    RECT Frame = {};
    GetWindowRect(Program.Window(), &Frame);
    EXPECT_LE(std::abs((Frame.left + Frame.right) - (Monitor.rcWork.left + Monitor.rcWork.right)), 2);
    EXPECT_LE(std::abs((Frame.top + Frame.bottom) - (Monitor.rcWork.top + Monitor.rcWork.bottom)), 2);

    const LONG_PTR Style = GetWindowLongPtrW(Program.Window(), GWL_STYLE);
    EXPECT_TRUE((Style & WS_OVERLAPPEDWINDOW) == WS_OVERLAPPEDWINDOW) << "resizable with system menu, minimise, maximise";

    for (TCtl Shown : {TCtl::lblTitle, TCtl::lblSubtitle, TCtl::lblEmailPrompt, TCtl::edtEmail, TCtl::btnSendCode,
                       TCtl::lblEmailStatus})
        EXPECT_TRUE(Program.Showing(Shown)) << Id(Shown);
    for (TCtl Hidden : {TCtl::edtCode, TCtl::btnVerify, TCtl::btnBackToEmail, TCtl::btnResend, TCtl::lstCompanies,
                        TCtl::btnSetup, TCtl::memoStatus, TCtl::AniIndicator, TCtl::FLblSetupResult, TCtl::FLblShowLog})
        EXPECT_FALSE(Program.Showing(Hidden)) << Id(Hidden);

    EXPECT_EQ(Program.Text(TCtl::lblTitle), L"ZELV Cloud Setup");
    EXPECT_EQ(Program.Text(TCtl::lblSubtitle), L"Connect to your ZELV servers");
    EXPECT_EQ(Program.Text(TCtl::btnSendCode), L"Send Verification Code");
    EXPECT_EQ(Program.Text(TCtl::btnResend), L"Resend Code");
    EXPECT_EQ(Program.Text(TCtl::btnSetup), L"Set Up Selected Companies");
    EXPECT_EQ(Program.Focus(), Program.Child(TCtl::edtEmail)) << "the e-mail box is first in the tab order";

    // The rounded button is filled blue; the picture shows washed out, neither white nor strong.
    const RECT Send = Program.Rect(TCtl::btnSendCode);
    EXPECT_EQ(Program.PixelAt(Send.left + 12, Send.top + 6), RGB(0x00, 0x7A, 0xFF));
    Program.Screenshot(L"email");
}

// The DPI entries of the manifest can't be observed under the test bench, which treats every
// program as per-monitor aware: they are checked in the program file itself.
TEST(ProgramResources, IconManifestAndPicture)
{
    struct TFreeLibrary {
        void operator()(HMODULE AModule) const { FreeLibrary(AModule); }
    };
    std::unique_ptr<std::remove_pointer_t<HMODULE>, TFreeLibrary> Program(
        LoadLibraryExW(ProgramPath, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_NE(Program, nullptr);

    // MAINICON holds an image of each size, 32-bit with alpha.
    const BYTE* Directory = nullptr;
    HRSRC Group = FindResourceW(Program.get(), L"MAINICON", MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
    ASSERT_NE(Group, nullptr);
    Directory = static_cast<const BYTE*>(LockResource(LoadResource(Program.get(), Group)));
    const WORD Count = *reinterpret_cast<const WORD*>(Directory + 4);
    std::vector<int> Sizes;
    for (WORD I = 0; I < Count; ++I) {
        const BYTE* Entry = Directory + 6 + I * 14;
        Sizes.push_back(Entry[0] == 0 ? 256 : Entry[0]);
        EXPECT_EQ(*reinterpret_cast<const WORD*>(Entry + 6), 32) << "bits per pixel of image " << I;
    }
    std::sort(Sizes.begin(), Sizes.end());
    EXPECT_EQ(Sizes, (std::vector<int>{16, 32, 48, 64}));

    HRSRC Manifest = FindResourceW(Program.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
    ASSERT_NE(Manifest, nullptr);
    const std::string Text(static_cast<const char*>(LockResource(LoadResource(Program.get(), Manifest))),
                           SizeofResource(Program.get(), Manifest));
    for (const char* Expected :
         {"level=\"asInvoker\" uiAccess=\"false\"", ">True/PM</dpiAware>", ">PerMonitorV2</dpiAwareness>",
          "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""})
        EXPECT_NE(Text.find(Expected), std::string::npos) << Expected;

    // The background picture is a 286 x 421 PNG with an alpha channel (colour type 6).
    HRSRC Picture = FindResourceW(Program.get(), L"BACKGROUND", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    ASSERT_NE(Picture, nullptr);
    const BYTE* Png = static_cast<const BYTE*>(LockResource(LoadResource(Program.get(), Picture)));
    auto BigEndian = [](const BYTE* AAt) { return (AAt[0] << 24) | (AAt[1] << 16) | (AAt[2] << 8) | AAt[3]; };
    ASSERT_EQ(std::string(reinterpret_cast<const char*>(Png) + 1, 3), "PNG");
    EXPECT_EQ(BigEndian(Png + 16), 286);
    EXPECT_EQ(BigEndian(Png + 20), 421);
    EXPECT_EQ(Png[24], 8) << "bits per channel";
    EXPECT_EQ(Png[25], 6) << "colour with alpha";
}

TEST_F(MainWindow, GeometryFollowsTheDescriptionAt96Dpi)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    ExpectGeometry(Program, 96);
}

TEST_F(MainWindow, GeometryScalesAt144Dpi)
{
    TLogPixelsScope Scaling(144);
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    ExpectGeometry(Program, 144);
    Program.Screenshot(L"email-144dpi");
    Program.Hook(tcShowLayout, tlFinishedWithErrors);
    Program.Screenshot(L"companies-finished-with-errors-144dpi");
}

TEST_F(MainWindow, MovingToAMonitorOfAnotherScalingRescalesEverything)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, tlSelection);
    Program.Hook(tcChangeDpi, 144);
    ExpectGeometry(Program, 144);
    EXPECT_EQ(SendMessageW(Program.Child(TCtl::lstCompanies), LB_GETITEMHEIGHT, 0, 0), 48);
    Program.Screenshot(L"companies-selection-dpi-changed-144");
    Program.Hook(tcChangeDpi, 96);
    ExpectGeometry(Program, 96);
}

// Enter in an edit box does what the button beside it does, with any modifier: with Alt the key
// arrives as a system key.
struct TEnterCase {
    const char* Name;
    TCtl Box;
    TCtl Button;
    TCtl Status;
    const wchar_t* Refusal;
    UINT KeyMessage;
};

class EnterKey : public MainWindow, public testing::WithParamInterface<TEnterCase> {};

TEST_P(EnterKey, EqualsAClickOnTheButton)
{
    const TEnterCase& Case = GetParam();
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, Case.Box == TCtl::edtCode ? tlCode : tlEmail);
    HWND Box = Program.Child(Case.Box);

    SendMessageW(Box, WM_KEYDOWN, VK_SHIFT, 0);
    SendMessageW(Box, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(Program.Text(Case.Status), L"") << "other keys do nothing";

    PostMessageW(Box, Case.KeyMessage, VK_RETURN, Case.KeyMessage == WM_SYSKEYDOWN ? 1 << 29 : 0);
    EXPECT_TRUE(WaitFor([&] { return Program.Text(Case.Status) == Case.Refusal; }));
    EXPECT_EQ(Program.Text(Case.Box), L"") << "Enter types nothing into the box";

    SendMessageW(Program.Child(Case.Status), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    SendMessageW(Program.Child(Case.Button), BM_CLICK, 0, 0);
    EXPECT_EQ(Program.Text(Case.Status), Case.Refusal);
    if (Case.Box == TCtl::edtEmail && Case.KeyMessage == WM_KEYDOWN)
        Program.Screenshot(L"email-status");
}

INSTANTIATE_TEST_SUITE_P(Boxes, EnterKey, testing::Values(
    TEnterCase{"Email", TCtl::edtEmail, TCtl::btnSendCode, TCtl::lblEmailStatus, L"Please enter your email address.", WM_KEYDOWN},
    TEnterCase{"EmailWithAlt", TCtl::edtEmail, TCtl::btnSendCode, TCtl::lblEmailStatus, L"Please enter your email address.", WM_SYSKEYDOWN},
    TEnterCase{"Code", TCtl::edtCode, TCtl::btnVerify, TCtl::lblCodeStatus, L"Please enter the 6-digit code.", WM_KEYDOWN},
    TEnterCase{"CodeWithAlt", TCtl::edtCode, TCtl::btnVerify, TCtl::lblCodeStatus, L"Please enter the 6-digit code.", WM_SYSKEYDOWN}),
    [](const testing::TestParamInfo<TEnterCase>& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(MainWindow, KeyboardReachesAndActivatesTheRoundedButton)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    HWND Send = Program.Child(TCtl::btnSendCode);
    PostMessageW(Program.Child(TCtl::edtEmail), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_TRUE(WaitFor([&] { return Program.Focus() == Send; })) << "Tab goes from the e-mail box to the button";
    PostMessageW(Send, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(WaitFor([&] { return Program.Text(TCtl::lblEmailStatus) == L"Please enter your email address."; }));

    SendMessageW(Program.Child(TCtl::lblEmailStatus), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    PostMessageW(Send, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageW(Send, WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(WaitFor([&] { return Program.Text(TCtl::lblEmailStatus) == L"Please enter your email address."; }));
}

TEST_F(MainWindow, RoundedButtonsArePushButtonsToScreenReaders)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    for (TCtl Button : {TCtl::btnSendCode, TCtl::btnVerify, TCtl::btnSetup}) {
        SCOPED_TRACE(Id(Button));
        const TAccessibleRead Read = ReadAccessible(Program.Child(Button));
        EXPECT_EQ(Read.Role, ROLE_SYSTEM_PUSHBUTTON);
        EXPECT_EQ(Read.Name, Program.Text(Button));
        EXPECT_FALSE(Read.State & STATE_SYSTEM_UNAVAILABLE);
        EXPECT_TRUE(GetWindowLongPtrW(Program.Child(Button), GWL_STYLE) & WS_TABSTOP);
    }
    EXPECT_EQ(ReadAccessible(Program.Child(TCtl::btnSendCode)).Name, L"Send Verification Code");
    // While the window is busy the buttons let clicks through: they read as unavailable.
    Program.Hook(tcSetBusy, 1);
    EXPECT_TRUE(ReadAccessible(Program.Child(TCtl::btnSendCode)).State & STATE_SYSTEM_UNAVAILABLE);
    Program.Hook(tcSetBusy, 0);
    EXPECT_FALSE(ReadAccessible(Program.Child(TCtl::btnSendCode)).State & STATE_SYSTEM_UNAVAILABLE);
}

TEST_F(MainWindow, BusyStateDisablesWhatItShould)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, tlCode);
    Program.Hook(tcSetBusy, 1);

    for (TCtl Off : {TCtl::edtEmail, TCtl::edtCode, TCtl::btnResend})
        EXPECT_FALSE(Program.Enabled(Off)) << Id(Off);
    EXPECT_TRUE(Program.Enabled(TCtl::btnBackToEmail)) << "Back stays usable";
    EXPECT_TRUE(Program.Showing(TCtl::AniIndicator));

    // The rounded buttons let clicks through and ignore them.
    const RECT Verify = Program.Rect(TCtl::btnVerify);
    POINT Middle = {(Verify.left + Verify.right) / 2, (Verify.top + Verify.bottom) / 2};
    ClientToScreen(Program.Window(), &Middle);
    EXPECT_EQ(SendMessageW(Program.Child(TCtl::btnVerify), WM_NCHITTEST, 0, MAKELPARAM(Middle.x, Middle.y)), HTTRANSPARENT);
    SendMessageW(Program.Child(TCtl::btnVerify), BM_CLICK, 0, 0);
    EXPECT_EQ(Program.Text(TCtl::lblCodeStatus), L"");
    // Drawn at half opacity: lighter than the full blue.
    const COLORREF Faded = Program.PixelAt(Verify.left + 12, Verify.top + 6);
    EXPECT_GT(GetRValue(Faded), 0x60);
    EXPECT_GT(GetGValue(Faded), 0xA0);
    Program.Screenshot(L"code-busy");

    Program.Hook(tcSetBusy, 0);
    for (TCtl On : {TCtl::edtEmail, TCtl::edtCode, TCtl::btnResend, TCtl::btnBackToEmail})
        EXPECT_TRUE(Program.Enabled(On)) << Id(On);
    EXPECT_FALSE(Program.Showing(TCtl::AniIndicator));
    EXPECT_EQ(SendMessageW(Program.Child(TCtl::btnVerify), WM_NCHITTEST, 0, MAKELPARAM(Middle.x, Middle.y)), HTCLIENT);
    EXPECT_EQ(Program.PixelAt(Verify.left + 12, Verify.top + 6), RGB(0x00, 0x7A, 0xFF));
}

TEST_F(MainWindow, CodeBoxTakesAtMostSixCharacters)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, tlCode);
    for (wchar_t Typed : std::wstring(L"12ab5678"))
        PostMessageW(Program.Child(TCtl::edtCode), WM_CHAR, Typed, 0);
    EXPECT_TRUE(WaitFor([&] { return Program.Text(TCtl::edtCode) == L"12ab56"; })) << DebugUtf8(win32::U(Program.Text(TCtl::edtCode)));
    Program.Screenshot(L"code");
}

TEST_F(MainWindow, ClosingIsRefusedWhileASetupRuns)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, tlRunning);
    Program.Hook(tcSetTaskRunning, 1);
    // Sent, as the system sends it for the close box: the call returns once the window has
    // answered the close, message box and all.
    auto Answered = std::async(std::launch::async, [Window = Program.Window()] {
        DWORD_PTR Result = 0;
        return SendMessageTimeoutW(Window, WM_CLOSE, 0, 0, SMTO_NORMAL, StartTimeoutMs, &Result) != 0;
    });

    HWND Box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (Box = TopWindowOf(Program.ProcessId(), L"#32770")) != nullptr; }));
    EXPECT_EQ(TextOf(Box), Title);
    EXPECT_EQ(TextOf(GetDlgItem(Box, 0xFFFF)), L"Please wait for setup to complete before closing.");
    SendMessageW(GetDlgItem(Box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(Answered.get()) << "the window answered the close";
    EXPECT_FALSE(IsWindow(Box));
    EXPECT_TRUE(IsWindow(Program.Window())) << "the window stays";
    EXPECT_EQ(WaitForSingleObject(Program.Process(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the program goes on";

    Program.Hook(tcSetTaskRunning, 0);
    PostMessageW(Program.Window(), WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(Program.Process(), StepTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD ExitCode = 1;
    GetExitCodeProcess(Program.Process(), &ExitCode);
    EXPECT_EQ(ExitCode, 0u);
}

TEST_F(MainWindow, CloseButtonOfAFinishedRunEndsTheProgram)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, tlFinished);
    SendMessageW(Program.Child(TCtl::btnSetup), BM_CLICK, 0, 0);
    EXPECT_EQ(WaitForSingleObject(Program.Process(), StepTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST_F(MainWindow, LogLinkOpensAndClosesTheLogByMouseAndKeyboard)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, tlFinished);
    HWND Link = Program.Child(TCtl::FLblShowLog);
    EXPECT_TRUE(GetWindowLongPtrW(Link, GWL_STYLE) & WS_TABSTOP);

    PostMessageW(Link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(Link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(WaitFor([&] { return Program.Text(TCtl::FLblShowLog) == L"Hide install log"; }));
    EXPECT_TRUE(Program.Showing(TCtl::memoStatus));
    EXPECT_EQ(Program.Rect(TCtl::memoStatus).top, 120 + 90);

    PostMessageW(Link, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(WaitFor([&] { return Program.Text(TCtl::FLblShowLog) == L"Show install log"; }));
    EXPECT_FALSE(Program.Showing(TCtl::memoStatus));
}

// Switches the system's high-contrast mode on for the programs of this test and off again.
class THighContrastScope {
public:
    THighContrastScope()
    {
        HIGHCONTRASTW Contrast = {};
        Contrast.cbSize = sizeof Contrast;
        Contrast.dwFlags = HCF_HIGHCONTRASTON;
        FSwitched = SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof Contrast, &Contrast, SPIF_SENDCHANGE) != FALSE;
    }
    ~THighContrastScope()
    {
        HIGHCONTRASTW Contrast = {};
        Contrast.cbSize = sizeof Contrast;
        SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof Contrast, &Contrast, SPIF_SENDCHANGE);
    }
    THighContrastScope(const THighContrastScope&) = delete;
    THighContrastScope& operator=(const THighContrastScope&) = delete;
    bool Switched() const { return FSwitched; }

private:
    bool FSwitched = false;
};

TEST_F(MainWindow, HighContrastUsesTheSystemColours)
{
    THighContrastScope Contrast;
    if (!Contrast.Switched())
        GTEST_SKIP() << "this system can't switch high contrast on (Wine 8 can't)";
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    const RECT Send = Program.Rect(TCtl::btnSendCode);
    EXPECT_EQ(Program.PixelAt(Send.left + 12, Send.top + 12), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(Program.PixelAt(2, 2), GetSysColor(COLOR_WINDOW)) << "no picture behind the text";
    Program.Screenshot(L"email-high-contrast");
}

// A high-contrast scheme for the programs of this test, each colour distinct from the others and
// from the window's own, so a pixel tells which system colour painted it. The old colours come back
// afterwards, even when the test fails.
class TSystemColoursScope {
public:
    static constexpr COLORREF Window = RGB(0x00, 0x00, 0x00), WindowText = RGB(0xFF, 0xFF, 0x00),
                              ButtonFace = RGB(0x00, 0x00, 0x80), ButtonText = RGB(0xFF, 0xFF, 0xFF),
                              Highlight = RGB(0x00, 0xFF, 0xFF), GrayText = RGB(0x00, 0xFF, 0x00);

    TSystemColoursScope()
    {
        const COLORREF Scheme[] = {Window, WindowText, ButtonFace, ButtonText, Highlight, GrayText};
        for (int I = 0; I < Count; ++I)
            FOld[I] = GetSysColor(Elements[I]);
        SetSysColors(Count, Elements, Scheme);
    }
    ~TSystemColoursScope() { SetSysColors(Count, Elements, FOld); }
    TSystemColoursScope(const TSystemColoursScope&) = delete;
    TSystemColoursScope& operator=(const TSystemColoursScope&) = delete;

private:
    static constexpr int Count = 6;
    static constexpr INT Elements[Count] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_HIGHLIGHT,
                                            COLOR_GRAYTEXT};
    COLORREF FOld[Count] = {};
};

// A screenshot the program saved of itself, read back in the window's client coordinates.
class TShot {
public:
    TShot(const TProgram& AProgram, const std::wstring& AName)
    {
        AProgram.Screenshot(AName);
        ComPtr<IWICImagingFactory> Factory;
        ComPtr<IWICBitmapDecoder> Decoder;
        ComPtr<IWICBitmapFrameDecode> Frame;
        ComPtr<IWICFormatConverter> Converter;
        const std::wstring Path = std::wstring(ScreenshotFolder) + L"/" + AName + L".png";
        UINT Width = 0, Height = 0;
        if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&Factory))) ||
            FAILED(Factory->CreateDecoderFromFilename(Path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad, &Decoder)) ||
            FAILED(Decoder->GetFrame(0, &Frame)) || FAILED(Factory->CreateFormatConverter(&Converter)) ||
            FAILED(Converter->Initialize(Frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                         WICBitmapPaletteTypeCustom)) ||
            FAILED(Converter->GetSize(&Width, &Height)))
            return;
        std::vector<uint32_t> Pixels(size_t(Width) * Height);
        if (FAILED(Converter->CopyPixels(nullptr, Width * 4, Width * Height * 4, reinterpret_cast<BYTE*>(Pixels.data()))))
            return;
        FPixels = std::move(Pixels);
        FWidth = static_cast<int>(Width);
        FHeight = static_cast<int>(Height);
        // Where the program's capture put the client area: the window's part on the screen, frame included.
        RECT Window = {}, OnScreen = {};
        GetWindowRect(AProgram.Window(), &Window);
        const RECT Screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        IntersectRect(&OnScreen, &Window, &Screen);
        POINT Client = {0, 0};
        ClientToScreen(AProgram.Window(), &Client);
        FOrigin = {Client.x - OnScreen.left, Client.y - OnScreen.top};
    }

    explicit operator bool() const { return !FPixels.empty(); }

    COLORREF At(int AX, int AY) const
    {
        const int X = FOrigin.x + AX, Y = FOrigin.y + AY;
        if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
            return CLR_INVALID;
        const uint32_t Pixel = FPixels[size_t(Y) * FWidth + X];
        return RGB((Pixel >> 16) & 0xFF, (Pixel >> 8) & 0xFF, Pixel & 0xFF);
    }

    int Count(const RECT& ABox, COLORREF AColour) const
    {
        int Found = 0;
        for (int Y = ABox.top; Y < ABox.bottom; ++Y)
            for (int X = ABox.left; X < ABox.right; ++X)
                Found += At(X, Y) == AColour;
        return Found;
    }

    // The first pixel of ABox that AAllowed refuses, as "x,y #rrggbb"; empty when there is none.
    template <class TAllowed>
    std::string Stray(const RECT& ABox, TAllowed AAllowed) const
    {
        for (int Y = ABox.top; Y < ABox.bottom; ++Y)
            for (int X = ABox.left; X < ABox.right; ++X)
                if (const COLORREF C = At(X, Y); !AAllowed(C)) {
                    char Text[48];
                    snprintf(Text, sizeof Text, "%d,%d #%02x%02x%02x", X, Y, GetRValue(C), GetGValue(C), GetBValue(C));
                    return Text;
                }
        return {};
    }

private:
    std::vector<uint32_t> FPixels;
    int FWidth = 0, FHeight = 0;
    POINT FOrigin = {};
};

// Whether AColour lies between AFrom and ATo, as text or a shape drawn in ATo, smoothed over AFrom,
// comes out: every channel the same share of the way.
bool MixOf(COLORREF AColour, COLORREF AFrom, COLORREF ATo)
{
    const int Got[] = {GetRValue(AColour), GetGValue(AColour), GetBValue(AColour)};
    const int From[] = {GetRValue(AFrom), GetGValue(AFrom), GetBValue(AFrom)};
    const int To[] = {GetRValue(ATo), GetGValue(ATo), GetBValue(ATo)};
    double Share = -1;
    for (int I = 0; I < 3; ++I) {
        if (From[I] == To[I]) {
            if (std::abs(Got[I] - From[I]) > 1)
                return false;
            continue;
        }
        const double Part = double(Got[I] - From[I]) / (To[I] - From[I]);
        if (Part < -0.01 || Part > 1.01 || (Share >= 0 && std::abs(Part - Share) > 0.02))
            return false;
        Share = Part;
    }
    return true;
}

RECT Inset(RECT ABox, int ABy)
{
    InflateRect(&ABox, -ABy, -ABy);
    return ABox;
}

// The window told that high contrast is on, as the system tells it.
void SwitchHighContrast(const TProgram& AProgram, bool AOn)
{
    AProgram.Hook(tcHighContrast, AOn);
    SendMessageW(AProgram.Window(), AOn ? WM_SETTINGCHANGE : WM_SYSCOLORCHANGE, AOn ? SPI_SETHIGHCONTRAST : 0, 0);
}

// Every control under high contrast, on a bench that cannot switch the system's mode: the test
// build's query says it is on, the window hears of it as a settings change, and the pixels show
// the system's colours only.
TEST_F(MainWindow, HighContrastPaintsEveryControlInTheSystemColours)
{
    using C = TSystemColoursScope;
    TSystemColoursScope Colours;
    auto TextIn = [](COLORREF APaper, COLORREF AInk) { return [=](COLORREF AColour) { return MixOf(AColour, APaper, AInk); }; };
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    SwitchHighContrast(Program, true);

    {
        SCOPED_TRACE("the e-mail page");
        const TShot Shot(Program, L"email-high-contrast-forced");
        ASSERT_TRUE(Shot);
        // Plain window colour where the picture lay, above the title and below the page.
        EXPECT_EQ(Shot.Count({0, 0, 401, 24}, C::Window), 401 * 24);
        EXPECT_EQ(Shot.Count({0, 330, 401, 580}, C::Window), 401 * 250);
        const RECT Title = Program.Rect(TCtl::lblTitle), Prompt = Program.Rect(TCtl::lblEmailPrompt);
        for (const RECT& Label : {Title, Prompt}) {
            EXPECT_EQ(Shot.Stray(Label, TextIn(C::Window, C::WindowText)), "");
            EXPECT_GT(Shot.Count(Label, C::WindowText), 20);
        }
        // The e-mail box has the focus: its frame in the highlight colour, two pixels wide.
        ASSERT_EQ(Program.Focus(), Program.Child(TCtl::edtEmail));
        const RECT Email = Program.Rect(TCtl::edtEmail);
        const int Middle = (Email.top + Email.bottom) / 2;
        for (POINT Frame : {POINT{Email.left, Middle}, POINT{Email.left + 1, Middle}, POINT{Email.right - 1, Middle},
                            POINT{(Email.left + Email.right) / 2, Email.top}, POINT{(Email.left + Email.right) / 2, Email.bottom - 1}})
            EXPECT_EQ(Shot.At(Frame.x, Frame.y), C::Highlight) << Frame.x << "," << Frame.y;
        // Window paper inside it, around the text and beside the cue text.
        EXPECT_EQ(Shot.Count({Email.right - 8, Email.top + 2, Email.right - 2, Email.bottom - 2}, C::Window), 6 * (Email.bottom - Email.top - 4));
        RECT Text = {};
        GetClientRect(Program.Child(TCtl::edtEmail), &Text);
        MapWindowPoints(Program.Child(TCtl::edtEmail), Program.Window(), reinterpret_cast<POINT*>(&Text), 2);
        ASSERT_FALSE(IsRectEmpty(&Text));
        Text.left = Text.right - (Text.right - Text.left) / 3;
        EXPECT_EQ(Shot.Count(Text, C::Window), (Text.right - Text.left) * (Text.bottom - Text.top));
        // The rounded button: button face, a frame and caption in button text.
        const RECT Send = Program.Rect(TCtl::btnSendCode);
        EXPECT_EQ(Shot.At(Send.left + 12, (Send.top + Send.bottom) / 2), C::ButtonFace);
        EXPECT_EQ(Shot.At((Send.left + Send.right) / 2, Send.top), C::ButtonText);
        // Inside the frame, past the rounded corners.
        const RECT Face = {Send.left + 8, Send.top + 2, Send.right - 8, Send.bottom - 2};
        EXPECT_EQ(Shot.Stray(Face, TextIn(C::ButtonFace, C::ButtonText)), "");
        EXPECT_GT(Shot.Count(Face, C::ButtonText), 20) << "the caption";
    }
    {
        SCOPED_TRACE("the companies page");
        Program.Hook(tcShowLayout, tlSelection);
        const TShot Shot(Program, L"companies-selection-high-contrast-forced");
        ASSERT_TRUE(Shot);
        HWND List = Program.Child(TCtl::lstCompanies);
        ASSERT_EQ(SendMessageW(List, LB_GETCOUNT, 0, 0), 3);
        const std::vector<bool> Ticked = {true, true, false};
        for (int Item = 0; Item < 3; ++Item) {
            SCOPED_TRACE(Item);
            RECT Row = {};
            SendMessageW(List, LB_GETITEMRECT, Item, reinterpret_cast<LPARAM>(&Row));
            MapWindowPoints(List, Program.Window(), reinterpret_cast<POINT*>(&Row), 2);
            // Inside the row's edge, where a focus rectangle may go: the box, the tick and the name
            // in window text on window paper.
            EXPECT_EQ(Shot.Stray(Inset(Row, 1), TextIn(C::Window, C::WindowText)), "");
            const RECT Box = {Row.left + 8, (Row.top + Row.bottom) / 2 - 8, Row.left + 24, (Row.top + Row.bottom) / 2 + 8};
            EXPECT_EQ(Shot.At(Box.left, (Box.top + Box.bottom) / 2), C::WindowText) << "the box's frame";
            EXPECT_EQ(Shot.Count(Inset(Box, 2), C::WindowText) > 0, Ticked[Item]) << "the tick";
            EXPECT_GT(Shot.Count({Box.right + 10, Row.top, Row.right, Row.bottom}, C::WindowText), 20) << "the name";
        }
        const RECT Setup = Program.Rect(TCtl::btnSetup);
        EXPECT_EQ(Shot.At(Setup.left + 12, (Setup.top + Setup.bottom) / 2), C::ButtonFace);
    }
    {
        SCOPED_TRACE("a run");
        Program.Hook(tcShowLayout, tlRunning);
        const TShot Shot(Program, L"companies-running-high-contrast-forced");
        ASSERT_TRUE(Shot);
        // The indicator's dots fade from window text into the window colour.
        ASSERT_TRUE(Program.Showing(TCtl::AniIndicator));
        const RECT Indicator = Program.Rect(TCtl::AniIndicator);
        EXPECT_EQ(Shot.Stray(Indicator, TextIn(C::Window, C::WindowText)), "");
        EXPECT_GT(Shot.Count(Indicator, C::WindowText), 0) << "the leading dot";
        EXPECT_GT(Shot.Count(Indicator, C::Window), 0);
        // The log's text area (its frame and scroll bar are the system's): window text on window paper.
        RECT Log = {};
        SendMessageW(Program.Child(TCtl::memoStatus), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Log));
        MapWindowPoints(Program.Child(TCtl::memoStatus), Program.Window(), reinterpret_cast<POINT*>(&Log), 2);
        ASSERT_FALSE(IsRectEmpty(&Log));
        EXPECT_EQ(Shot.Stray(Log, TextIn(C::Window, C::WindowText)), "");
        EXPECT_GT(Shot.Count(Log, C::WindowText), 20) << "the log's lines";
    }
}

// The window follows the system: high contrast on when the settings change, the picture and the
// window's own colours back when the colours change again.
TEST_F(MainWindow, HighContrastComesAndGoesWithTheSystemsSetting)
{
    TSystemColoursScope Colours;
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    const RECT Send = Program.Rect(TCtl::btnSendCode);
    auto Look = [&] {
        const TShot Shot(Program, L"email-high-contrast-switched");
        return std::make_pair(Shot.At(Send.left + 12, Send.top + 12), Shot.Count({0, 330, 401, 580}, TSystemColoursScope::Window));
    };
    const auto Own = Look();
    EXPECT_EQ(Own.first, RGB(0x00, 0x7A, 0xFF));
    EXPECT_LT(Own.second, 401 * 250) << "the picture shows";

    SwitchHighContrast(Program, true);
    EXPECT_EQ(Look(), std::make_pair(TSystemColoursScope::ButtonFace, 401 * 250));
    SwitchHighContrast(Program, false);
    EXPECT_EQ(Look(), Own);
}

// The companies page in each layout of a run: where the log and the button go, and how it looks.
struct TLayoutCase {
    const char* Name;
    const wchar_t* Screenshot;
    TTestLayout Layout;
    bool ListShown;
    bool LogShown;
    double LogY, LogH;
    double SetupY;
    COLORREF SetupFill;  // CLR_INVALID: half opacity, not one exact colour
    bool ResultShown;
    bool LinkShown;
    const wchar_t* SetupCaption;
};

class MainWindowLayouts : public MainWindow, public testing::WithParamInterface<TLayoutCase> {};

TEST_P(MainWindowLayouts, CompaniesPage)
{
    const TLayoutCase& Case = GetParam();
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, Case.Layout);

    EXPECT_EQ(Program.Showing(TCtl::lstCompanies), Case.ListShown);
    EXPECT_EQ(Program.Showing(TCtl::lblCompanyPrompt), Case.ListShown);
    EXPECT_EQ(Program.Showing(TCtl::memoStatus), Case.LogShown);
    EXPECT_EQ(Program.Showing(TCtl::FLblSetupResult), Case.ResultShown);
    EXPECT_EQ(Program.Showing(TCtl::FLblShowLog), Case.LinkShown);
    EXPECT_TRUE(Program.Showing(TCtl::btnSetup));
    EXPECT_EQ(Program.Text(TCtl::btnSetup), Case.SetupCaption);
    const RECT Log = Program.Rect(TCtl::memoStatus), Setup = Program.Rect(TCtl::btnSetup);
    EXPECT_EQ(Log.top, std::lround(120 + Case.LogY));
    EXPECT_EQ(Log.bottom - Log.top, std::lround(Case.LogH));
    EXPECT_EQ(Setup.top, std::lround(120 + Case.SetupY));
    if (Case.SetupFill != CLR_INVALID)
        EXPECT_EQ(Program.PixelAt(Setup.left + 12, Setup.top + 6), Case.SetupFill);
    if (Case.ListShown)
        EXPECT_EQ(SendMessageW(Program.Child(TCtl::lstCompanies), LB_GETITEMHEIGHT, 0, 0), 32);
    Program.Screenshot(std::wstring(L"companies-") + Case.Screenshot);
}

INSTANTIATE_TEST_SUITE_P(Run, MainWindowLayouts, testing::Values(
    TLayoutCase{"Selection", L"selection", tlSelection, true, false, 330, 116, 290, RGB(0x00, 0x7A, 0xFF), false, false, L"Set Up Selected Companies"},
    TLayoutCase{"Running", L"running", tlRunning, false, true, 0, 290, 298, CLR_INVALID, false, false, L"Set Up Selected Companies"},
    TLayoutCase{"FinishedWithErrors", L"finished-with-errors", tlFinishedWithErrors, false, true, 62, 228, 298, RGB(0x88, 0x88, 0x88), true, false, L"Close"},
    TLayoutCase{"Finished", L"finished", tlFinished, false, false, 0, 290, 298, RGB(0x1A, 0x8A, 0x3C), true, true, L"Close"},
    TLayoutCase{"FinishedLogOpened", L"finished-log-opened", tlFinishedLogOpened, false, true, 90, 200, 298, RGB(0x1A, 0x8A, 0x3C), true, true, L"Close"}),
    [](const testing::TestParamInfo<TLayoutCase>& AInfo) { return std::string(AInfo.param.Name); });

// Every label of every layout, with the longest texts it shows there, at both scalings: no text
// is cut, and the screenshots show it whole.
struct TTextCase {
    const char* Name;
    const wchar_t* Screenshot;
    TTestLayout Layout;
    DWORD Dpi;
};

class TextFits : public MainWindow, public testing::WithParamInterface<TTextCase> {};

TEST_P(TextFits, EveryLabelShowsItsWholeText)
{
    const TTextCase& Case = GetParam();
    TLogPixelsScope Scaling(Case.Dpi);
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, Case.Layout);
    EXPECT_EQ(Program.Hook(tcCutLabel, 0), 0) << "the first label whose text is cut";
    // A label grows no further than the control below it.
    if (Case.Layout == tlCode || Case.Layout == tlCodeFailure)
        EXPECT_LE(Program.Rect(TCtl::lblCodePrompt).bottom, Program.Rect(TCtl::edtCode).top);
    Program.Screenshot(std::wstring(Case.Screenshot) + L"-" + std::to_wstring(Case.Dpi) + L"dpi");
}

std::vector<TTextCase> TextCases()
{
    const TTextCase Layouts[] = {
        {"Email", L"email", tlEmail, 0},
        {"EmailFailure", L"email-failure", tlEmailFailure, 0},
        {"Code", L"code", tlCode, 0},
        {"CodeFailure", L"code-failure", tlCodeFailure, 0},
        {"Selection", L"companies-selection", tlSelection, 0},
        {"Running", L"companies-running", tlRunning, 0},
        {"FinishedWithErrors", L"companies-finished-with-errors", tlFinishedWithErrors, 0},
        {"Finished", L"companies-finished", tlFinished, 0},
        {"FinishedLogOpened", L"companies-finished-log-opened", tlFinishedLogOpened, 0},
    };
    std::vector<TTextCase> Cases;
    for (DWORD Dpi : {96u, 144u})
        for (TTextCase Case : Layouts) {
            Case.Dpi = Dpi;
            Cases.push_back(Case);
        }
    return Cases;
}

INSTANTIATE_TEST_SUITE_P(Layouts, TextFits, testing::ValuesIn(TextCases()),
    [](const testing::TestParamInfo<TTextCase>& AInfo) {
        return std::string(AInfo.param.Name) + "At" + std::to_string(AInfo.param.Dpi) + "Dpi";
    });

// Receives the accessibility events the program raises, as a screen reader does.
class TWinEvents {
public:
    explicit TWinEvents(DWORD AProcessId)
    {
        Current = this;
        FHook = SetWinEventHook(EVENT_OBJECT_STATECHANGE, EventLiveRegionChanged, nullptr, Record, AProcessId, 0,
                                WINEVENT_OUTOFCONTEXT);
    }
    ~TWinEvents()
    {
        if (FHook)
            UnhookWinEvent(FHook);
        Current = nullptr;
    }
    TWinEvents(const TWinEvents&) = delete;
    TWinEvents& operator=(const TWinEvents&) = delete;

    // Waits, taking the events as they come, until AWindow has raised AEvent for AChild.
    bool WaitFor(DWORD AEvent, HWND AWindow, LONG AChild)
    {
        const ULONGLONG Until = GetTickCount64() + StepTimeoutMs;
        while (!Seen(AEvent, AWindow, AChild)) {
            const ULONGLONG Now = GetTickCount64();
            if (Now > Until)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(Until - Now), QS_ALLINPUT);
            MSG Message;
            while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&Message);
        }
        return true;
    }
    void Clear() { FEvents.clear(); }

    static constexpr DWORD EventLiveRegionChanged = 0x8019;

private:
    struct TEvent {
        DWORD Event;
        HWND Window;
        LONG Object, Child;
    };
    static void CALLBACK Record(HWINEVENTHOOK, DWORD AEvent, HWND AWindow, LONG AObject, LONG AChild, DWORD, DWORD)
    {
        if (Current)
            Current->FEvents.push_back({AEvent, AWindow, AObject, AChild});
    }
    bool Seen(DWORD AEvent, HWND AWindow, LONG AChild) const
    {
        for (const TEvent& E : FEvents)
            if (E.Event == AEvent && E.Window == AWindow && E.Object == OBJID_CLIENT && E.Child == AChild)
                return true;
        return false;
    }
    static inline TWinEvents* Current = nullptr;
    HWINEVENTHOOK FHook = nullptr;
    std::vector<TEvent> FEvents;
};

// What a screen reader reads on each page, and what it hears when something changes there.
TEST_F(MainWindow, ScreenReaderReadsEveryPage)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    TWinEvents Events(Program.ProcessId());

    // The e-mail page: the box named by its prompt, the status line announced as it changes.
    EXPECT_EQ(ReadAccessible(Program.Child(TCtl::edtEmail)).Name, L"Enter your email address:");
    EXPECT_EQ(ReadAccessible(Program.Child(TCtl::edtEmail)).Role, ROLE_SYSTEM_TEXT);
    EXPECT_EQ(ReadAccessible(Program.Child(TCtl::btnSendCode)).Role, ROLE_SYSTEM_PUSHBUTTON);
    PostMessageW(Program.Child(TCtl::edtEmail), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(Events.WaitFor(EVENT_OBJECT_NAMECHANGE, Program.Child(TCtl::lblEmailStatus), CHILDID_SELF));
    EXPECT_TRUE(Events.WaitFor(TWinEvents::EventLiveRegionChanged, Program.Child(TCtl::lblEmailStatus), CHILDID_SELF));
    EXPECT_EQ(ReadAccessible(Program.Child(TCtl::lblEmailStatus)).Name, L"Please enter your email address.");

    // The code page.
    Program.Hook(tcShowLayout, tlCode);
    EXPECT_EQ(ReadAccessible(Program.Child(TCtl::edtCode)).Name, L"Enter the 6-digit code sent to your email:");
    const TAccessibleRead Verify = ReadAccessible(Program.Child(TCtl::btnVerify));
    EXPECT_EQ(Verify.Role, ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(Verify.Name, L"Verify Code");
    PostMessageW(Program.Child(TCtl::edtCode), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(Events.WaitFor(EVENT_OBJECT_NAMECHANGE, Program.Child(TCtl::lblCodeStatus), CHILDID_SELF));
    EXPECT_EQ(ReadAccessible(Program.Child(TCtl::lblCodeStatus)).Name, L"Please enter the 6-digit code.");

    // The companies page: each company with its tick, which changes by Space and by a click.
    Program.Hook(tcShowLayout, tlSelection);
    HWND List = Program.Child(TCtl::lstCompanies);
    EXPECT_EQ(ReadAccessible(List).Role, ROLE_SYSTEM_LIST);
    EXPECT_EQ(ReadAccessible(List).Name, L"Select companies to set up:");
    auto Ticks = [&] {
        std::vector<std::pair<std::wstring, bool>> Read;
        for (const TAccessibleRead& Item : AccessibleItems(List)) {
            EXPECT_EQ(Item.Role, ROLE_SYSTEM_LISTITEM);
            Read.emplace_back(Item.Name, Item.Checked());
        }
        return Read;
    };
    using TTicks = std::vector<std::pair<std::wstring, bool>>;
    EXPECT_EQ(Ticks(), (TTicks{{L"ACME  (rds.acme.example)", true}, {L"BETA-01  (10.20.30.40)", true}, {L"GAMMA  (gamma.zelv.cloud)", false}}));

    Events.Clear();
    RECT Item = {};
    SendMessageW(List, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&Item));
    PostMessageW(List, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Item.left + 12, (Item.top + Item.bottom) / 2));
    PostMessageW(List, WM_LBUTTONUP, 0, MAKELPARAM(Item.left + 12, (Item.top + Item.bottom) / 2));
    EXPECT_TRUE(Events.WaitFor(EVENT_OBJECT_STATECHANGE, List, 3)) << "the click's change is announced";
    EXPECT_EQ(Ticks(), (TTicks{{L"ACME  (rds.acme.example)", true}, {L"BETA-01  (10.20.30.40)", true}, {L"GAMMA  (gamma.zelv.cloud)", true}}));

    SendMessageW(List, LB_SETCURSEL, 0, 0);
    PostMessageW(List, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(Events.WaitFor(EVENT_OBJECT_STATECHANGE, List, 1)) << "Space's change is announced";
    EXPECT_EQ(Ticks(), (TTicks{{L"ACME  (rds.acme.example)", false}, {L"BETA-01  (10.20.30.40)", true}, {L"GAMMA  (gamma.zelv.cloud)", true}}));
    Program.Screenshot(L"companies-selection-first-unticked");
}

// The end of a run is announced: its result and the button's new caption.
TEST_F(MainWindow, ScreenReaderHearsTheRunsResult)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    TWinEvents Events(Program.ProcessId());
    Program.Hook(tcShowLayout, tlFinished);
    EXPECT_TRUE(Events.WaitFor(EVENT_OBJECT_NAMECHANGE, Program.Child(TCtl::FLblSetupResult), CHILDID_SELF));
    EXPECT_TRUE(Events.WaitFor(EVENT_OBJECT_NAMECHANGE, Program.Child(TCtl::btnSetup), CHILDID_SELF));
    EXPECT_EQ(ReadAccessible(Program.Child(TCtl::FLblSetupResult)).Name, L"Setup Complete!");
    EXPECT_EQ(ReadAccessible(Program.Child(TCtl::btnSetup)).Name, L"Close");
    EXPECT_EQ(ReadAccessible(Program.Child(TCtl::FLblShowLog)).Name, L"Show install log");
}

// A failure inside the window's own code is shown to the user, and the window goes on working.
struct TFailureCase {
    const char* Name;
    LPARAM Kind;
    const wchar_t* Shown;
};

class WindowFailure : public MainWindow, public testing::WithParamInterface<TFailureCase> {};

TEST_P(WindowFailure, IsShownAndTheWindowGoesOn)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcFail, GetParam().Kind);
    HWND Box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (Box = TopWindowOf(Program.ProcessId(), L"#32770")) != nullptr; }));
    EXPECT_EQ(TextOf(GetDlgItem(Box, 0xFFFF)), GetParam().Shown);
    SendMessageW(GetDlgItem(Box, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(Box); }));
    PostMessageW(Program.Child(TCtl::edtEmail), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(WaitFor([&] { return Program.Text(TCtl::lblEmailStatus) == L"Please enter your email address."; }));
}

INSTANTIATE_TEST_SUITE_P(Kinds, WindowFailure, testing::Values(
    TFailureCase{"OurOwn", 0, L"The window could not do that"},
    TFailureCase{"NotAStandardException", 1, L"An unexpected error occurred"}),
    [](const testing::TestParamInfo<TFailureCase>& AInfo) { return std::string(AInfo.param.Name); });

}  // namespace
