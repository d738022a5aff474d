#include "app/frmMainLayout.h"

#include <stdexcept>

namespace zelv {

namespace {

TControl Make(TCtl AId, const char* AName, TControlKind AKind, TCtl AParent, double AX, double AY, double AW,
              double AH)
{
    TControl C;
    C.Id = AId;
    C.Name = AName;
    C.Kind = AKind;
    C.Parent = AParent;
    C.X = AX;
    C.Y = AY;
    C.W = AW;
    C.H = AH;
    return C;
}

TControl Label(TCtl AId, const char* AName, TCtl AParent, double AX, double AY, double AW, double AH,
               const char16_t* AText, double ASize, bool ABold, THAlign AAlign)
{
    TControl C = Make(AId, AName, TControlKind::Label, AParent, AX, AY, AW, AH);
    C.Text = AText;
    C.FontSize = ASize;
    C.Bold = ABold;
    C.HAlign = AAlign;
    C.HitTest = false;
    return C;
}

TControl RoundButton(TCtl AId, const char* AName, TCtl AParent, double AY, THandler AOnClick)
{
    TControl C = Make(AId, AName, TControlKind::RoundButton, AParent, 0, AY, 345, 44);
    C.FillColor = claButtonBlue;
    C.HandCursor = true;
    C.OnClick = AOnClick;
    return C;
}

// Fills its rounded rectangle; takes no clicks, so they reach the rectangle.
TControl ButtonCaption(TCtl AId, const char* AName, TCtl AParent, const char16_t* AText)
{
    TControl C = Make(AId, AName, TControlKind::ButtonCaption, AParent, 0, 0, 345, 44);
    C.Text = AText;
    C.FontSize = 16;
    C.FontColor = claWhite;
    C.HAlign = THAlign::Center;
    C.HitTest = false;
    return C;
}

TControl StatusLine(TCtl AId, const char* AName, TCtl AParent, double AY)
{
    TControl C = Label(AId, AName, AParent, 0, AY, 345, 48, u"", 0, false, THAlign::Center);
    C.FontColor = claRed;
    return C;
}

TControl PushButton(TCtl AId, const char* AName, TCtl AParent, double AX, const char16_t* AText, THandler AOnClick)
{
    TControl C = Make(AId, AName, TControlKind::PushButton, AParent, AX, 168, 165, 36);
    C.Text = AText;
    C.FontColor = claBlack;
    C.HAlign = THAlign::Center;
    C.OnClick = AOnClick;
    return C;
}

std::vector<TControl> MasterDescription()
{
    using enum TCtl;
    std::vector<TControl> D;

    TControl Form = Make(MainForm, "MainForm", TControlKind::Form, None, 0, 0, 401, 580);
    Form.Text = u"ZELV Cloud Setup";
    D.push_back(Form);

    TControl Back = Make(RectBackground, "RectBackground", TControlKind::FilledRect, MainForm, 0, 0, 401, 580);
    Back.FillColor = claWhite;
    Back.HitTest = false;
    D.push_back(Back);

    TControl Picture = Make(BackgroundImage, "BackgroundImage", TControlKind::Picture, RectBackground, 1, 1, 400, 579);
    Picture.Opacity = 0.5;
    Picture.HitTest = false;
    D.push_back(Picture);

    D.push_back(Label(lblTitle, "lblTitle", RectBackground, 0, 24, 401, 36, u"ZELV Cloud Setup", 24, false,
                      THAlign::Center));
    D.push_back(Label(lblSubtitle, "lblSubtitle", RectBackground, 0, 62, 401, 24, u"Connect to your ZELV servers",
                      14, false, THAlign::Center));

    D.push_back(Make(PanelEmail, "PanelEmail", TControlKind::Panel, RectBackground, 28, 120, 345, 300));
    D.push_back(Label(lblEmailPrompt, "lblEmailPrompt", PanelEmail, 0, 2, 345, 28, u"Enter your email address:", 16,
                      true, THAlign::Leading));
    TControl Email = Make(edtEmail, "edtEmail", TControlKind::Edit, PanelEmail, 0, 38, 345, 40);
    Email.Prompt = u"name@company.com";
    Email.FontSize = 16;
    Email.OnKeyDown = THandler::edtEmailKeyDown;
    Email.Keyboard = TKeyboardKind::Email;
    D.push_back(Email);
    D.push_back(RoundButton(btnSendCode, "btnSendCode", PanelEmail, 100, THandler::btnSendCodeClick));
    D.push_back(ButtonCaption(lblBtnSendCode, "lblBtnSendCode", btnSendCode, u"Send Verification Code"));
    D.push_back(StatusLine(lblEmailStatus, "lblEmailStatus", PanelEmail, 152));

    TControl CodePage = Make(PanelCode, "PanelCode", TControlKind::Panel, RectBackground, 28, 120, 345, 340);
    CodePage.Visible = false;
    D.push_back(CodePage);
    D.push_back(Label(lblCodePrompt, "lblCodePrompt", PanelCode, 0, 0, 345, 28,
                      u"Enter the 6-digit code sent to your email:", 16, true, THAlign::Leading));
    TControl Code = Make(edtCode, "edtCode", TControlKind::Edit, PanelCode, 63, 44, 220, 48);
    Code.MaxLength = 6;
    Code.HAlign = THAlign::Center;
    Code.OnKeyDown = THandler::edtCodeKeyDown;
    Code.Keyboard = TKeyboardKind::NumberPad;
    D.push_back(Code);
    D.push_back(RoundButton(btnVerify, "btnVerify", PanelCode, 110, THandler::btnVerifyClick));
    D.push_back(ButtonCaption(lblBtnVerify, "lblBtnVerify", btnVerify, u"Verify Code"));
    D.push_back(PushButton(btnBackToEmail, "btnBackToEmail", PanelCode, 0, u"Back", THandler::btnBackToEmailClick));
    D.push_back(PushButton(btnResend, "btnResend", PanelCode, 180, u"Resend Code", THandler::btnResendClick));
    D.push_back(StatusLine(lblCodeStatus, "lblCodeStatus", PanelCode, 220));

    TControl CompaniesPage = Make(PanelCompanies, "PanelCompanies", TControlKind::Panel, RectBackground, 28, 120, 345, 450);
    CompaniesPage.Visible = false;
    D.push_back(CompaniesPage);
    D.push_back(Label(lblCompanyPrompt, "lblCompanyPrompt", PanelCompanies, 0, 0, 345, 28,
                      u"Select companies to set up:", 16, true, THAlign::Leading));
    TControl List = Make(lstCompanies, "lstCompanies", TControlKind::CheckListBox, PanelCompanies, 0, 36, 345, 240);
    List.ItemHeight = 32;
    List.ItemFontSize = 15;
    D.push_back(List);
    D.push_back(RoundButton(btnSetup, "btnSetup", PanelCompanies, 290, THandler::btnSetupClick));
    D.push_back(ButtonCaption(lblBtnSetup, "lblBtnSetup", btnSetup, u"Set Up Selected Companies"));
    TControl Log = Make(memoStatus, "memoStatus", TControlKind::Memo, PanelCompanies, 0, 330, 345, 116);
    Log.VAlign = TVAlign::Top;
    D.push_back(Log);

    TControl Indicator = Make(AniIndicator, "AniIndicator", TControlKind::ActivityIndicator, RectBackground, 183, 530, 36, 36);
    Indicator.Visible = false;
    Indicator.HitTest = false;
    D.push_back(Indicator);
    return D;
}

TControl& Find(std::vector<TControl>& ADescription, TCtl AId)
{
    for (TControl& C : ADescription)
        if (C.Id == AId)
            return C;
    throw std::logic_error("no such control in the window description");
}

}  // namespace

std::vector<TControl> LoadFormDescription(TDeviceClass ADeviceClass)
{
    std::vector<TControl> D = MasterDescription();
    if (ADeviceClass == TDeviceClass::Tablet) {
        for (TCtl Id : {TCtl::MainForm, TCtl::RectBackground}) {
            Find(D, Id).W = 1080;
            Find(D, Id).H = 1920;
        }
    } else {
        Find(D, TCtl::btnBackToEmail).W = 170;
        Find(D, TCtl::btnResend).W = 170;
        Find(D, TCtl::lblCodePrompt).W = 345;
        Find(D, TCtl::lblCodeStatus).W = 345;
    }
    return D;
}

}  // namespace zelv
