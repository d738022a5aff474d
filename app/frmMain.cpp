#include "app/frmMain.h"

#include "platform/Platform.h"

#include <stdexcept>

namespace zelv {

namespace {

constexpr int vkReturn = 13;
constexpr char16_t CloseCaption[] = u"Close";
constexpr char16_t SetupCaption[] = u"Set Up Selected Companies";

}  // namespace

TMainForm::TMainForm(IFormView& AView, std::vector<TControl> ADescription)
    : FView(AView), FControls(std::move(ADescription))
{
}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate()
{
    FAPIClient = std::make_shared<TCloudAPIClient>();
    FHandOver = platform::GuiThread().CreateHandOver();
    FSetupSteps = DefaultSetupSteps();
    FCompanies.reset();
    FTaskRunning = false;

    Mutable(TCtl::memoStatus).ReadOnly = true;
    Changed(TCtl::memoStatus);

    // The close query is bound by the view, which asks CloseQuery() before it closes.

    TControl Result;
    Result.Id = TCtl::FLblSetupResult;
    Result.Name = "FLblSetupResult";
    Result.Kind = TControlKind::Label;
    Result.Parent = TCtl::PanelCompanies;
    Result.Visible = false;
    Result.X = 0;
    Result.Y = 0;
    Result.W = 345;
    Result.H = 54;
    Result.FontSize = 20;
    Result.Bold = true;
    Result.HAlign = THAlign::Center;
    Result.VAlign = TVAlign::Center;
    Result.HitTest = false;
    FControls.push_back(Result);
    FLblSetupResult = Result.Id;
    FView.ControlAdded(FControls.back());

    TControl Link;
    Link.Id = TCtl::FLblShowLog;
    Link.Name = "FLblShowLog";
    Link.Kind = TControlKind::Label;
    Link.Parent = TCtl::PanelCompanies;
    Link.Visible = false;
    Link.X = 0;
    Link.Y = 60;
    Link.W = 345;
    Link.H = 24;
    Link.FontSize = 13;
    Link.FontColor = claButtonBlue;
    Link.HAlign = THAlign::Center;
    Link.Text = u"Show install log";
    Link.HitTest = true;
    Link.HandCursor = true;
    Link.OnClick = THandler::ToggleInstallLog;
    FControls.push_back(Link);
    FLblShowLog = Link.Id;
    FView.ControlAdded(FControls.back());

    FLogVisible = false;
    ShowPanel(TCtl::PanelEmail);
}

void TMainForm::FormDestroy()
{
    if (FHandOver)
        FHandOver->Close();
    FAPIClient.reset();
    FCompanies.reset();
}

bool TMainForm::CloseQuery()
{
    if (!FTaskRunning)
        return true;
    FView.ShowMessage(u"Please wait for setup to complete before closing.");
    return false;
}

const TControl& TMainForm::Ctl(TCtl AId) const
{
    for (const TControl& C : FControls)
        if (C.Id == AId)
            return C;
    throw std::logic_error("no such control in the window description");
}

TControl& TMainForm::Mutable(TCtl AId) { return const_cast<TControl&>(Ctl(AId)); }

bool TMainForm::IsShowing(TCtl AId) const
{
    for (TCtl Id = AId; Id != TCtl::None && Id != TCtl::MainForm;) {
        const TControl& C = Ctl(Id);
        if (!C.Visible)
            return false;
        Id = C.Parent;
    }
    return true;
}

void TMainForm::Changed(TCtl AId) { FView.ControlChanged(Ctl(AId)); }

void TMainForm::Click(TCtl AId)
{
    const TControl& C = Ctl(AId);
    // A rounded button with hit-testing off lets clicks through; a hidden or disabled control
    // takes none, whatever the view reports.
    if (!IsShowing(AId) || !C.Enabled || !C.HitTest)
        return;
    Dispatch(C.OnClick, 0);
}

void TMainForm::KeyDown(TCtl AId, int AKey)
{
    const TControl& C = Ctl(AId);
    if (!IsShowing(AId) || !C.Enabled)
        return;
    Dispatch(C.OnKeyDown, AKey);
}

void TMainForm::TextEdited(TCtl AId, const UString& AText) { Mutable(AId).Text = AText; }

void TMainForm::ItemChecked(TCtl AId, size_t AIndex, bool AChecked)
{
    // A tick may come however the view learnt of it (a click, Space, a screen reader's default
    // action, which posts its key and so reaches a disabled window too): a hidden or disabled
    // list takes none.
    if (AId != TCtl::lstCompanies || !IsShowing(AId) || !Ctl(AId).Enabled)
        return;
    ListSetChecked(AIndex, AChecked);
}

void TMainForm::Dispatch(THandler AHandler, int AKey)
{
    switch (AHandler) {
    case THandler::None: break;
    case THandler::btnSendCodeClick: btnSendCodeClick(); break;
    case THandler::btnVerifyClick: btnVerifyClick(); break;
    case THandler::btnResendClick: btnResendClick(); break;
    case THandler::btnBackToEmailClick: btnBackToEmailClick(); break;
    case THandler::btnSetupClick: btnSetupClick(); break;
    case THandler::edtEmailKeyDown: edtEmailKeyDown(AKey); break;
    case THandler::edtCodeKeyDown: edtCodeKeyDown(AKey); break;
    case THandler::ToggleInstallLog: ToggleInstallLog(); break;
    }
}

void TMainForm::btnSendCodeClick() { DoRequestCode(); }
void TMainForm::btnVerifyClick() { DoVerifyCode(); }

void TMainForm::btnResendClick()
{
    ShowPanel(TCtl::PanelEmail);
    FView.FocusControl(TCtl::edtEmail);
}

void TMainForm::btnBackToEmailClick()
{
    ShowPanel(TCtl::PanelEmail);
    FView.FocusControl(TCtl::edtEmail);
}

void TMainForm::btnSetupClick()
{
    if (Text(TCtl::lblBtnSetup) == CloseCaption)
        FView.Close();
    else
        DoSetup();
}

void TMainForm::edtEmailKeyDown(int AKey)
{
    if (AKey == vkReturn)
        DoRequestCode();
}

void TMainForm::edtCodeKeyDown(int AKey)
{
    if (AKey == vkReturn)
        DoVerifyCode();
}

void TMainForm::ShowPanel(TCtl APanel)
{
    for (TCtl Panel : {TCtl::PanelEmail, TCtl::PanelCode, TCtl::PanelCompanies})
        SetVisible(Panel, Panel == APanel);
    if (APanel != TCtl::PanelCompanies)
        return;
    SetVisible(TCtl::lstCompanies, true);
    SetVisible(TCtl::lblCompanyPrompt, true);
    TControl& Log = Mutable(TCtl::memoStatus);
    Log.Visible = false;
    Log.Y = 330;
    Log.H = 116;
    Changed(TCtl::memoStatus);
    TControl& Setup = Mutable(TCtl::btnSetup);
    Setup.Y = 290;
    Setup.FillColor = claButtonBlue;
    Changed(TCtl::btnSetup);
    SetText(TCtl::lblBtnSetup, SetupCaption);
    if (FLblSetupResult != TCtl::None)
        SetVisible(FLblSetupResult, false);
    if (FLblShowLog != TCtl::None)
        SetVisible(FLblShowLog, false);
}

void TMainForm::SetBusy(bool ABusy)
{
    TControl& Indicator = Mutable(TCtl::AniIndicator);
    Indicator.Visible = ABusy;
    Indicator.Animating = ABusy;
    Changed(TCtl::AniIndicator);
    for (TCtl Button : {TCtl::btnSendCode, TCtl::btnVerify, TCtl::btnSetup}) {
        TControl& C = Mutable(Button);
        C.HitTest = !ABusy;
        C.Opacity = ABusy ? 0.5 : 1.0;
        Changed(Button);
    }
    for (TCtl Control : {TCtl::btnResend, TCtl::edtEmail, TCtl::edtCode})
        SetEnabled(Control, !ABusy);
}

void TMainForm::SetStatus(TCtl ALabel, const UString& AText, bool AIsError)
{
    TControl& C = Mutable(ALabel);
    C.Text = AText;
    C.FontColor = AIsError ? claRed : claGreen;
    Changed(ALabel);
}

void TMainForm::ToggleInstallLog()
{
    FLogVisible = !FLogVisible;
    TControl& Log = Mutable(TCtl::memoStatus);
    if (FLogVisible) {
        Log.Visible = true;
        Log.Y = 90;
        Log.H = 200;
    } else {
        Log.Visible = false;
    }
    Changed(TCtl::memoStatus);
    SetTop(TCtl::btnSetup, 298);
    SetText(FLblShowLog, FLogVisible ? u"Hide install log" : u"Show install log");
}

void TMainForm::SetVisible(TCtl AId, bool AVisible)
{
    Mutable(AId).Visible = AVisible;
    Changed(AId);
}

void TMainForm::SetEnabled(TCtl AId, bool AEnabled)
{
    Mutable(AId).Enabled = AEnabled;
    Changed(AId);
}

void TMainForm::SetText(TCtl AId, const UString& AText)
{
    TControl& C = Mutable(AId);
    if (C.Kind == TControlKind::Memo) {
        // The log's text is content: the view hears of it as the log emptied and refilled.
        ClearLog();
        if (!AText.empty()) {
            C.Text = AText;
            FView.LogAppended(C, AText);
        }
        return;
    }
    C.Text = AText;
    Changed(AId);
}

void TMainForm::SetFontColor(TCtl AId, TAlphaColor AColor)
{
    Mutable(AId).FontColor = AColor;
    Changed(AId);
}

void TMainForm::SetFillColor(TCtl AId, TAlphaColor AColor)
{
    Mutable(AId).FillColor = AColor;
    Changed(AId);
}

void TMainForm::SetTop(TCtl AId, double AY)
{
    Mutable(AId).Y = AY;
    Changed(AId);
}

void TMainForm::SetHeight(TCtl AId, double AHeight)
{
    Mutable(AId).H = AHeight;
    Changed(AId);
}

void TMainForm::SetHitTest(TCtl AId, bool AHitTest)
{
    Mutable(AId).HitTest = AHitTest;
    Changed(AId);
}

void TMainForm::SetOpacity(TCtl AId, double AOpacity)
{
    Mutable(AId).Opacity = AOpacity;
    Changed(AId);
}

void TMainForm::AppendLog(const UString& ALine)
{
    TControl& Log = Mutable(TCtl::memoStatus);
    const UString Added = ALine + u"\r\n";
    Log.Text += Added;
    FView.LogAppended(Log, Added);
}

void TMainForm::ClearLog()
{
    TControl& Log = Mutable(TCtl::memoStatus);
    Log.Text.clear();
    FView.LogCleared(Log);
}

void TMainForm::ListFill(std::vector<TListItem> AItems)
{
    TControl& List = Mutable(TCtl::lstCompanies);
    List.Items = std::move(AItems);
    FView.ListFilled(List);
}

void TMainForm::ListSetChecked(size_t AIndex, bool AChecked)
{
    TControl& List = Mutable(TCtl::lstCompanies);
    if (AIndex >= List.Items.size() || List.Items[AIndex].Checked == AChecked)
        return;
    List.Items[AIndex].Checked = AChecked;
    FView.ListItemChanged(List, AIndex);
}

}  // namespace zelv
