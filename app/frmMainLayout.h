#pragma once

#include <cstdint>
#include <vector>

#include "core/CloudSetupText.h"

namespace zelv {

// The controls of the main window. The values are the Win32 control ids as well, so tests and
// accessibility tools find each control by the same number.
enum class TCtl : int {
    None = 0,
    MainForm = 1000,
    RectBackground,
    BackgroundImage,
    lblTitle,
    lblSubtitle,
    PanelEmail,
    lblEmailPrompt,
    edtEmail,
    btnSendCode,
    lblBtnSendCode,
    lblEmailStatus,
    PanelCode,
    lblCodePrompt,
    edtCode,
    btnVerify,
    lblBtnVerify,
    btnBackToEmail,
    btnResend,
    lblCodeStatus,
    PanelCompanies,
    lblCompanyPrompt,
    lstCompanies,
    btnSetup,
    lblBtnSetup,
    memoStatus,
    AniIndicator,
    // Made in code by FormCreate, not by the description.
    FLblSetupResult,
    FLblShowLog,
};

enum class TControlKind {
    Form,
    FilledRect,
    Picture,
    Label,
    Panel,
    Edit,
    RoundButton,    // a rounded rectangle that acts as a button
    ButtonCaption,  // the label that fills a RoundButton; its text is the button's caption
    PushButton,
    CheckListBox,
    Memo,
    ActivityIndicator,
};

enum class THAlign { Leading, Center };
enum class TVAlign { Top, Center };

// The handlers the description binds to events, by name.
enum class THandler {
    None,
    btnSendCodeClick,
    btnVerifyClick,
    btnResendClick,
    btnBackToEmailClick,
    btnSetupClick,
    edtEmailKeyDown,
    edtCodeKeyDown,
    ToggleInstallLog,
};

enum class TDeviceClass { Desktop, Tablet };

// The on-screen keyboard an edit box asks for.
enum class TKeyboardKind { Default, Email, NumberPad };

// 0xAARRGGBB
using TAlphaColor = uint32_t;
constexpr TAlphaColor claNull = 0;  // "follows the style"
constexpr TAlphaColor claWhite = 0xFFFFFFFF;
constexpr TAlphaColor claBlack = 0xFF000000;
constexpr TAlphaColor claRed = 0xFFFF0000;
constexpr TAlphaColor claGreen = 0xFF008000;
constexpr TAlphaColor claButtonBlue = 0xFF007AFF;

struct TListItem {
    UString Text;
    bool Checked = false;
    intptr_t Tag = 0;
};

// One control with its current properties. Geometry is in device-independent units relative to
// the parent; the view scales it.
struct TControl {
    TCtl Id = TCtl::None;
    const char* Name = "";
    TControlKind Kind = TControlKind::Label;
    TCtl Parent = TCtl::None;
    double X = 0, Y = 0, W = 0, H = 0;
    UString Text;
    UString Prompt;             // cue text of an empty edit box
    double FontSize = 0;        // em height in device-independent units; 0 follows the style
    bool Bold = false;
    TAlphaColor FontColor = claNull;
    TAlphaColor FillColor = claNull;
    THAlign HAlign = THAlign::Leading;
    TVAlign VAlign = TVAlign::Center;
    bool Visible = true;
    bool Enabled = true;
    bool HitTest = true;        // false: clicks pass through to what lies below
    bool HandCursor = false;
    bool ReadOnly = false;
    bool Animating = false;
    double Opacity = 1.0;
    int MaxLength = 0;          // 0: no limit
    TKeyboardKind Keyboard = TKeyboardKind::Default;
    double ItemHeight = 0;
    double ItemFontSize = 0;
    THandler OnClick = THandler::None;
    THandler OnKeyDown = THandler::None;
    std::vector<TListItem> Items;
};

// The window's controls in tree order (a later sibling lies over an earlier one), with the view
// for the device class applied.
std::vector<TControl> LoadFormDescription(TDeviceClass ADeviceClass);

// The style's settings for text that does not set its own.
constexpr double StyleFontSize = 12;
constexpr TAlphaColor StyleFontColor = 0xFF1F1F1F;

}  // namespace zelv
