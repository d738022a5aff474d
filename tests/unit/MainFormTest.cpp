#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "app/frmMain.h"
#include "app/frmMainTestAccess.h"

using namespace zelv;

namespace {

// Keeps what the view was last told about each control, so a test sees both the controller's
// state and whether the view heard of every change. A property change brings no content: the
// list's items and the log's text reach this view only through the calls that name them, as they
// reach the window's view, so a change the controller reports the wrong way leaves it behind.
class TRecordingView : public IFormView {
public:
    std::map<TCtl, TControl> Shown;
    std::vector<TCtl> Added;
    std::vector<UString> Messages;
    TCtl Focused = TCtl::None;
    int CloseRequests = 0;
    // How often each kind of change was reported.
    int Changes = 0, Fills = 0, ItemUpdates = 0, Appends = 0, Clears = 0;
    std::vector<size_t> UpdatedItems;
    UString LastAppended;

    void ControlAdded(const TControl& AControl) override
    {
        Added.push_back(AControl.Id);
        Shown[AControl.Id] = AControl;
    }
    void ControlChanged(const TControl& AControl) override
    {
        ++Changes;
        TControl& Seen = Shown[AControl.Id];
        std::vector<TListItem> Items = std::move(Seen.Items);
        UString Text = std::move(Seen.Text);
        Seen = AControl;
        Seen.Items = std::move(Items);
        if (AControl.Kind != TControlKind::Memo)
            Text = AControl.Text;
        Seen.Text = std::move(Text);
    }
    void ListFilled(const TControl& AList) override
    {
        ++Fills;
        Shown[AList.Id].Items = AList.Items;
    }
    void ListItemChanged(const TControl& AList, size_t AIndex) override
    {
        ++ItemUpdates;
        UpdatedItems.push_back(AIndex);
        Shown[AList.Id].Items.at(AIndex) = AList.Items.at(AIndex);
    }
    void LogAppended(const TControl& ALog, const UString& AText) override
    {
        ++Appends;
        LastAppended = AText;
        Shown[ALog.Id].Text += AText;
    }
    void LogCleared(const TControl& ALog) override
    {
        ++Clears;
        Shown[ALog.Id].Text.clear();
    }
    void FocusControl(TCtl AId) override { Focused = AId; }
    void ShowMessage(const UString& AText) override { Messages.push_back(AText); }
    void Close() override { ++CloseRequests; }

    int Calls() const { return Changes + Fills + ItemUpdates + Appends + Clears; }
};

constexpr int vkReturn = 13;

class MainForm : public testing::Test {
protected:
    TRecordingView FView;
    TMainForm FForm{FView, LoadFormDescription(TDeviceClass::Desktop)};

    void SetUp() override
    {
        for (const TControl& C : FForm.Controls())
            FView.Shown[C.Id] = C;
        FForm.FormCreate();
    }
    const TControl& C(TCtl AId) const { return FForm.Ctl(AId); }

    // The view must have heard of every property the controller changed.
    void ExpectViewInSync() const
    {
        for (const TControl& Control : FForm.Controls()) {
            SCOPED_TRACE(Control.Name);
            const TControl& Seen = FView.Shown.at(Control.Id);
            EXPECT_EQ(Seen.Visible, Control.Visible);
            EXPECT_EQ(Seen.Enabled, Control.Enabled);
            EXPECT_EQ(Seen.HitTest, Control.HitTest);
            EXPECT_EQ(Seen.Opacity, Control.Opacity);
            EXPECT_EQ(Seen.Y, Control.Y);
            EXPECT_EQ(Seen.H, Control.H);
            EXPECT_EQ(Seen.Text, Control.Text);
            EXPECT_EQ(Seen.FontColor, Control.FontColor);
            EXPECT_EQ(Seen.FillColor, Control.FillColor);
            EXPECT_EQ(Seen.ReadOnly, Control.ReadOnly);
            EXPECT_EQ(Seen.Animating, Control.Animating);
            ASSERT_EQ(Seen.Items.size(), Control.Items.size());
            for (size_t I = 0; I < Control.Items.size(); ++I) {
                EXPECT_EQ(Seen.Items[I].Text, Control.Items[I].Text) << "item " << I;
                EXPECT_EQ(Seen.Items[I].Checked, Control.Items[I].Checked) << "item " << I;
            }
        }
    }

    // Puts the companies page into the layout of a finished run with the log opened, the furthest
    // from the selection layout that the window gets.
    void LeaveSelectionLayout()
    {
        FForm.ShowPanel(TCtl::PanelCompanies);
        FForm.SetVisible(TCtl::lstCompanies, false);
        FForm.SetVisible(TCtl::lblCompanyPrompt, false);
        FForm.SetFillColor(TCtl::btnSetup, 0xFF888888);
        FForm.SetText(TCtl::lblBtnSetup, u"Close");
        FForm.SetVisible(TCtl::FLblSetupResult, true);
        FForm.SetVisible(TCtl::FLblShowLog, true);
        FForm.ToggleInstallLog();
    }
};

TEST_F(MainForm, FormCreateShowsTheEmailPageAndMakesTheTwoLabels)
{
    EXPECT_TRUE(TMainFormTestAccess::HasAPIClient(FForm));
    EXPECT_FALSE(TMainFormTestAccess::TaskRunning(FForm));
    EXPECT_FALSE(TMainFormTestAccess::LogVisible(FForm));
    EXPECT_TRUE(C(TCtl::memoStatus).ReadOnly);
    EXPECT_TRUE(FForm.IsShowing(TCtl::edtEmail));
    EXPECT_FALSE(FForm.IsShowing(TCtl::edtCode));
    EXPECT_FALSE(FForm.IsShowing(TCtl::lstCompanies));

    EXPECT_EQ(FView.Added, (std::vector<TCtl>{TCtl::FLblSetupResult, TCtl::FLblShowLog}));
    const TControl& Result = C(TCtl::FLblSetupResult);
    EXPECT_EQ(Result.Parent, TCtl::PanelCompanies);
    EXPECT_FALSE(Result.Visible);
    EXPECT_EQ((std::vector<double>{Result.X, Result.Y, Result.W, Result.H}), (std::vector<double>{0, 0, 345, 54}));
    EXPECT_EQ(Result.FontSize, 20);
    EXPECT_TRUE(Result.Bold);
    EXPECT_EQ(Result.HAlign, THAlign::Center);
    EXPECT_EQ(Result.VAlign, TVAlign::Center);

    const TControl& Link = C(TCtl::FLblShowLog);
    EXPECT_EQ(Link.Parent, TCtl::PanelCompanies);
    EXPECT_FALSE(Link.Visible);
    EXPECT_EQ((std::vector<double>{Link.X, Link.Y, Link.W, Link.H}), (std::vector<double>{0, 60, 345, 24}));
    EXPECT_EQ(Link.FontSize, 13);
    EXPECT_EQ(Link.FontColor, 0xFF007AFFu);
    EXPECT_EQ(Link.Text, u"Show install log");
    EXPECT_TRUE(Link.HitTest);
    EXPECT_TRUE(Link.HandCursor);
    ExpectViewInSync();
}

TEST_F(MainForm, ExactlyOnePageShows)
{
    for (TCtl Page : {TCtl::PanelCode, TCtl::PanelCompanies, TCtl::PanelEmail}) {
        FForm.ShowPanel(Page);
        for (TCtl Other : {TCtl::PanelEmail, TCtl::PanelCode, TCtl::PanelCompanies})
            EXPECT_EQ(C(Other).Visible, Other == Page) << C(Other).Name << " after showing " << C(Page).Name;
    }
    ExpectViewInSync();
}

TEST_F(MainForm, ShowPanelRestoresTheSelectionLayout)
{
    LeaveSelectionLayout();
    ASSERT_TRUE(TMainFormTestAccess::LogVisible(FForm));
    const double SetupX = C(TCtl::btnSetup).X, SetupW = C(TCtl::btnSetup).W;

    FForm.ShowPanel(TCtl::PanelCompanies);

    EXPECT_TRUE(C(TCtl::lstCompanies).Visible);
    EXPECT_TRUE(C(TCtl::lblCompanyPrompt).Visible);
    EXPECT_FALSE(C(TCtl::memoStatus).Visible);
    EXPECT_EQ(C(TCtl::memoStatus).Y, 330);
    EXPECT_EQ(C(TCtl::memoStatus).H, 116);
    EXPECT_EQ(C(TCtl::btnSetup).Y, 290);
    EXPECT_EQ(C(TCtl::btnSetup).FillColor, 0xFF007AFFu);
    EXPECT_EQ(C(TCtl::lblBtnSetup).Text, u"Set Up Selected Companies");
    EXPECT_FALSE(C(TCtl::FLblSetupResult).Visible);
    EXPECT_FALSE(C(TCtl::FLblShowLog).Visible);
    // Neither X positions, widths nor the log link's state belong to the layout.
    EXPECT_EQ(C(TCtl::btnSetup).X, SetupX);
    EXPECT_EQ(C(TCtl::btnSetup).W, SetupW);
    EXPECT_TRUE(TMainFormTestAccess::LogVisible(FForm));
    ExpectViewInSync();
}

TEST_F(MainForm, ShowPanelOfAnotherPageLeavesTheCompaniesLayoutAlone)
{
    LeaveSelectionLayout();
    FForm.ShowPanel(TCtl::PanelEmail);
    EXPECT_EQ(C(TCtl::lblBtnSetup).Text, u"Close");
    EXPECT_EQ(C(TCtl::btnSetup).Y, 298);
    EXPECT_TRUE(C(TCtl::FLblSetupResult).Visible);
}

TEST_F(MainForm, SetBusyChangesExactlyItsControls)
{
    const std::vector<TControl> Before = FForm.Controls();
    auto Prior = [&](TCtl AId) -> const TControl& {
        return *std::find_if(Before.begin(), Before.end(), [AId](const TControl& AC) { return AC.Id == AId; });
    };
    for (bool Busy : {true, false}) {
        SCOPED_TRACE(Busy ? "busy" : "idle");
        FForm.SetBusy(Busy);
        EXPECT_EQ(C(TCtl::AniIndicator).Visible, Busy);
        EXPECT_EQ(C(TCtl::AniIndicator).Animating, Busy);
        for (TCtl Button : {TCtl::btnSendCode, TCtl::btnVerify, TCtl::btnSetup}) {
            EXPECT_EQ(C(Button).HitTest, !Busy) << C(Button).Name;
            EXPECT_EQ(C(Button).Opacity, Busy ? 0.5 : 1.0) << C(Button).Name;
            EXPECT_TRUE(C(Button).Enabled) << C(Button).Name;
        }
        for (TCtl Control : {TCtl::btnResend, TCtl::edtEmail, TCtl::edtCode})
            EXPECT_EQ(C(Control).Enabled, !Busy) << C(Control).Name;
        // "Back", the list, the log and the pages keep their state.
        for (TCtl Kept : {TCtl::btnBackToEmail, TCtl::lstCompanies, TCtl::memoStatus, TCtl::PanelEmail, TCtl::PanelCode,
                          TCtl::PanelCompanies}) {
            EXPECT_TRUE(C(Kept).Enabled) << C(Kept).Name;
            EXPECT_EQ(C(Kept).Visible, Prior(Kept).Visible) << C(Kept).Name;
        }
        ExpectViewInSync();
    }
    // Idle again: everything as before.
    for (size_t I = 0; I < Before.size(); ++I) {
        EXPECT_EQ(FForm.Controls()[I].Enabled, Before[I].Enabled) << Before[I].Name;
        EXPECT_EQ(FForm.Controls()[I].Visible, Before[I].Visible) << Before[I].Name;
        EXPECT_EQ(FForm.Controls()[I].HitTest, Before[I].HitTest) << Before[I].Name;
    }
}

TEST_F(MainForm, BusyButtonsAndEditBoxesIgnoreInputButBackStillWorks)
{
    FForm.SetBusy(true);
    FForm.Click(TCtl::btnSendCode);
    FForm.KeyDown(TCtl::edtEmail, vkReturn);
    EXPECT_EQ(C(TCtl::lblEmailStatus).Text, u"");

    FForm.ShowPanel(TCtl::PanelCode);
    FForm.Click(TCtl::btnBackToEmail);
    EXPECT_TRUE(C(TCtl::PanelEmail).Visible);
    EXPECT_EQ(FView.Focused, TCtl::edtEmail);
}

struct TStatusCase {
    const char* Name;
    TCtl Label;
    UString Text;
    bool IsError;
    TAlphaColor Color;
};

class MainFormStatus : public MainForm, public testing::WithParamInterface<TStatusCase> {};

TEST_P(MainFormStatus, SetsTextAndColour)
{
    const TStatusCase& Case = GetParam();
    FForm.SetStatus(Case.Label, Case.Text, Case.IsError);
    EXPECT_EQ(C(Case.Label).Text, Case.Text);
    EXPECT_EQ(C(Case.Label).FontColor, Case.Color);
    ExpectViewInSync();
}

INSTANTIATE_TEST_SUITE_P(Cases, MainFormStatus,
                         testing::Values(TStatusCase{"EmailError", TCtl::lblEmailStatus, u"Please enter your email address.", true, 0xFFFF0000},
                                         TStatusCase{"EmailProgress", TCtl::lblEmailStatus, u"Sending verification code...", false, 0xFF008000},
                                         TStatusCase{"CodeCleared", TCtl::lblCodeStatus, u"", false, 0xFF008000},
                                         TStatusCase{"CodeClearedAsError", TCtl::lblCodeStatus, u"", true, 0xFFFF0000}),
                         [](const testing::TestParamInfo<TStatusCase>& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(MainForm, StatusLinesAreRedBeforeTheirFirstText)
{
    EXPECT_EQ(C(TCtl::lblEmailStatus).FontColor, 0xFFFF0000u);
    EXPECT_EQ(C(TCtl::lblCodeStatus).FontColor, 0xFFFF0000u);
}

TEST_F(MainForm, LogLinkOpensAndClosesTheLog)
{
    FForm.ShowPanel(TCtl::PanelCompanies);
    FForm.SetVisible(TCtl::FLblShowLog, true);

    FForm.Click(TCtl::FLblShowLog);
    EXPECT_TRUE(C(TCtl::memoStatus).Visible);
    EXPECT_EQ(C(TCtl::memoStatus).Y, 90);
    EXPECT_EQ(C(TCtl::memoStatus).H, 200);
    EXPECT_EQ(C(TCtl::btnSetup).Y, 298);
    EXPECT_EQ(C(TCtl::FLblShowLog).Text, u"Hide install log");

    FForm.Click(TCtl::FLblShowLog);
    EXPECT_FALSE(C(TCtl::memoStatus).Visible);
    EXPECT_EQ(C(TCtl::btnSetup).Y, 298);
    EXPECT_EQ(C(TCtl::FLblShowLog).Text, u"Show install log");
    EXPECT_FALSE(TMainFormTestAccess::LogVisible(FForm));
    ExpectViewInSync();
}

TEST_F(MainForm, SetupButtonClosesOnlyWhenItReadsExactlyClose)
{
    FForm.ShowPanel(TCtl::PanelCompanies);
    for (const UString& Caption : {UString(u"close"), UString(u"Close "), UString(u"CLOSE"), UString(u"Set Up Selected Companies")}) {
        FForm.SetText(TCtl::lblBtnSetup, Caption);
        FForm.Click(TCtl::btnSetup);
        EXPECT_EQ(FView.CloseRequests, 0) << DebugUtf8(Caption);
    }
    FForm.SetText(TCtl::lblBtnSetup, u"Close");
    FForm.Click(TCtl::btnSetup);
    EXPECT_EQ(FView.CloseRequests, 1);
}

TEST_F(MainForm, ClosingIsRefusedOnlyWhileASetupRuns)
{
    EXPECT_TRUE(FForm.CloseQuery());
    EXPECT_TRUE(FView.Messages.empty());

    TMainFormTestAccess::SetTaskRunning(FForm, true);
    EXPECT_FALSE(FForm.CloseQuery());
    EXPECT_EQ(FView.Messages, std::vector<UString>{u"Please wait for setup to complete before closing."});

    TMainFormTestAccess::SetTaskRunning(FForm, false);
    EXPECT_TRUE(FForm.CloseQuery());
    EXPECT_EQ(FView.Messages.size(), 1u);
}

TEST_F(MainForm, EnterInAnEditBoxEqualsAClickOtherKeysDoNothing)
{
    FForm.KeyDown(TCtl::edtEmail, 'A');
    FForm.KeyDown(TCtl::edtEmail, 9);
    EXPECT_EQ(C(TCtl::lblEmailStatus).Text, u"");
    FForm.KeyDown(TCtl::edtEmail, vkReturn);
    EXPECT_EQ(C(TCtl::lblEmailStatus).Text, u"Please enter your email address.");

    FForm.ShowPanel(TCtl::PanelCode);
    FForm.TextEdited(TCtl::edtCode, u"123");
    FForm.KeyDown(TCtl::edtCode, '4');
    EXPECT_EQ(C(TCtl::lblCodeStatus).Text, u"");
    FForm.KeyDown(TCtl::edtCode, vkReturn);
    EXPECT_EQ(C(TCtl::lblCodeStatus).Text, u"Please enter the 6-digit code.");
    FForm.SetStatus(TCtl::lblCodeStatus, u"", false);
    FForm.Click(TCtl::btnVerify);
    EXPECT_EQ(C(TCtl::lblCodeStatus).Text, u"Please enter the 6-digit code.");
}

TEST_F(MainForm, BackAndResendReturnToTheEmailPageKeepingItsText)
{
    for (TCtl Button : {TCtl::btnBackToEmail, TCtl::btnResend}) {
        FForm.TextEdited(TCtl::edtEmail, u"someone@example.com");
        FForm.ShowPanel(TCtl::PanelCode);
        FView.Focused = TCtl::None;
        FForm.Click(Button);
        EXPECT_TRUE(FForm.IsShowing(TCtl::edtEmail)) << C(Button).Name;
        EXPECT_EQ(FView.Focused, TCtl::edtEmail) << C(Button).Name;
        EXPECT_EQ(C(TCtl::edtEmail).Text, u"someone@example.com");
    }
}

TEST_F(MainForm, HiddenControlsTakeNoInput)
{
    // The code page is hidden at start: its button must not act on a stray click.
    FForm.Click(TCtl::btnVerify);
    EXPECT_EQ(C(TCtl::lblCodeStatus).Text, u"");
}

TEST_F(MainForm, LogAndListKeepTheirContents)
{
    FForm.AppendLog(u"Starting setup...");
    FForm.AppendLog(u"RDP: ACME");
    EXPECT_EQ(C(TCtl::memoStatus).Text, u"Starting setup...\r\nRDP: ACME\r\n");
    FForm.ClearLog();
    EXPECT_EQ(C(TCtl::memoStatus).Text, u"");

    FForm.ShowPanel(TCtl::PanelCompanies);
    FForm.ListFill({{u"ACME  (rds.acme.example)", true, 0}, {u"BETA  (rds.beta.example)", true, 1}});
    FForm.ItemChecked(TCtl::lstCompanies, 0, false);
    FForm.ItemChecked(TCtl::lstCompanies, 7, true);  // out of range: ignored
    ASSERT_EQ(FForm.ListItems().size(), 2u);
    EXPECT_FALSE(FForm.ListItems()[0].Checked);
    EXPECT_TRUE(FForm.ListItems()[1].Checked);
    EXPECT_EQ(FForm.ListItems()[1].Tag, 1);
    FForm.ListFill({});
    EXPECT_TRUE(FForm.ListItems().empty());
    ExpectViewInSync();
}

// A tick reaches the list only where the user sees it and can change it, however the view learnt
// of it: a screen reader's default action arrives as a posted key, which a disabled window gets too.
TEST_F(MainForm, AHiddenOrDisabledListTakesNoTick)
{
    struct TCase {
        const char* Name;
        void (*Leave)(TMainForm&);
    };
    const TCase Cases[] = {
        {"another page shown", [](TMainForm& AForm) { AForm.ShowPanel(TCtl::PanelEmail); }},
        {"the list hidden, as during a run", [](TMainForm& AForm) { AForm.SetVisible(TCtl::lstCompanies, false); }},
        {"the list disabled", [](TMainForm& AForm) { AForm.SetEnabled(TCtl::lstCompanies, false); }},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        TMainFormTestAccess::ShowCompanies(FForm, {{u"ACME", u"rds.acme.example"}, {u"BETA", u"rds.beta.example"}});
        FForm.SetEnabled(TCtl::lstCompanies, true);
        Case.Leave(FForm);
        const int Before = FView.Calls();
        FForm.ItemChecked(TCtl::lstCompanies, 0, false);
        EXPECT_TRUE(FForm.ListItems()[0].Checked);
        EXPECT_EQ(FView.Calls(), Before) << "the view was told of a tick";
    }
    // The same tick on the shown and enabled list is taken.
    TMainFormTestAccess::ShowCompanies(FForm, {{u"ACME", u"rds.acme.example"}});
    FForm.SetEnabled(TCtl::lstCompanies, true);
    FForm.ItemChecked(TCtl::lstCompanies, 0, false);
    EXPECT_FALSE(FForm.ListItems()[0].Checked);
    ExpectViewInSync();
}

// The view's work for a change must follow the change, not the control's content: a user may
// have thousands of companies, and the log grows by a line for each.
TCompanyList ManyCompanies(size_t ACount)
{
    TCompanyList Companies;
    for (size_t I = 0; I < ACount; ++I) {
        const auto Number = std::to_string(I);
        Companies.push_back(TCompanyInfo{UString(u"C") + UString(Number.begin(), Number.end()), u"rds.example"});
    }
    return Companies;
}

TEST_F(MainForm, FillingTheListIsOneFillWhateverItsLength)
{
    std::vector<int> CallsPerFill;
    for (size_t Count : {1u, 1000u}) {
        const int Before = FView.Calls();
        TMainFormTestAccess::ShowCompanies(FForm, ManyCompanies(Count));
        CallsPerFill.push_back(FView.Calls() - Before);
    }
    EXPECT_EQ(FView.Fills, 2);
    EXPECT_EQ(FView.ItemUpdates, 0);
    EXPECT_EQ(CallsPerFill[0], CallsPerFill[1]) << "the view is told per item";
    ASSERT_EQ(FForm.ListItems().size(), 1000u);
    EXPECT_EQ(FForm.ListItems()[999].Text, u"C999  (rds.example)");
    ExpectViewInSync();
}

TEST_F(MainForm, ATickIsOneItemUpdate)
{
    TMainFormTestAccess::ShowCompanies(FForm, ManyCompanies(1000));
    const int Before = FView.Calls();
    FForm.ItemChecked(TCtl::lstCompanies, 500, false);
    EXPECT_EQ(FView.Calls() - Before, 1);
    EXPECT_EQ(FView.UpdatedItems, std::vector<size_t>{500});
    EXPECT_FALSE(FForm.ListItems()[500].Checked);

    // A tick that changes nothing, or an item that is not there, is no change at all.
    FForm.ItemChecked(TCtl::lstCompanies, 500, false);
    FForm.ItemChecked(TCtl::lstCompanies, 1000, true);
    EXPECT_EQ(FView.Calls() - Before, 1);
    ExpectViewInSync();
}

TEST_F(MainForm, ALogLineIsOneAppendOfThatLineWhateverTheLogsLength)
{
    for (int I = 0; I < 10000; ++I)
        FForm.AppendLog(u"RDP: C:\\Users\\user\\Desktop\\ZelvCloud - C1.rdp");
    const int Before = FView.Calls();
    FForm.AppendLog(u"Downloading zelvcloud DLL...");
    EXPECT_EQ(FView.Calls() - Before, 1);
    EXPECT_EQ(FView.LastAppended, u"Downloading zelvcloud DLL...\r\n");
    EXPECT_EQ(FView.Appends, 10001);
    ExpectViewInSync();

    FForm.ClearLog();
    EXPECT_EQ(FView.Clears, 1);
    EXPECT_EQ(C(TCtl::memoStatus).Text, u"");
    ExpectViewInSync();
}

TEST_F(MainForm, PropertyChangesOfTheListAndTheLogCarryNoContent)
{
    TMainFormTestAccess::ShowCompanies(FForm, ManyCompanies(3));
    FForm.AppendLog(u"Starting setup...");
    const int Fills = FView.Fills, Appends = FView.Appends;
    FForm.SetEnabled(TCtl::lstCompanies, false);
    FForm.SetTop(TCtl::lstCompanies, 40);
    FForm.SetHeight(TCtl::memoStatus, 228);
    FForm.SetVisible(TCtl::memoStatus, true);
    EXPECT_EQ(FView.Fills, Fills);
    EXPECT_EQ(FView.Appends, Appends);
    ExpectViewInSync();

    // Setting the log's whole text is the log emptied and that text added.
    FForm.SetText(TCtl::memoStatus, u"one\r\n");
    EXPECT_EQ(C(TCtl::memoStatus).Text, u"one\r\n");
    ExpectViewInSync();
}

TEST_F(MainForm, FormDestroyFreesTheClientAndCompanies)
{
    FForm.FormDestroy();
    EXPECT_FALSE(TMainFormTestAccess::HasAPIClient(FForm));
    FForm.FormDestroy();  // nothing left to free: no complaint
}

// The window description on a desktop-class device: the layout table of the window.
struct TGeometryCase {
    TCtl Id;
    TCtl Parent;
    double X, Y, W, H;
    bool Visible;
};

class WindowDescription : public testing::TestWithParam<TGeometryCase> {};

TEST_P(WindowDescription, DesktopGeometry)
{
    const TGeometryCase& Case = GetParam();
    const std::vector<TControl> D = LoadFormDescription(TDeviceClass::Desktop);
    auto Found = std::find_if(D.begin(), D.end(), [&](const TControl& C) { return C.Id == Case.Id; });
    ASSERT_NE(Found, D.end());
    SCOPED_TRACE(Found->Name);
    EXPECT_EQ(Found->Parent, Case.Parent);
    EXPECT_EQ((std::vector<double>{Found->X, Found->Y, Found->W, Found->H}),
              (std::vector<double>{Case.X, Case.Y, Case.W, Case.H}));
    EXPECT_EQ(Found->Visible, Case.Visible);
}

using enum TCtl;
INSTANTIATE_TEST_SUITE_P(Table, WindowDescription, testing::Values(
    TGeometryCase{MainForm, None, 0, 0, 401, 580, true},
    TGeometryCase{RectBackground, MainForm, 0, 0, 401, 580, true},
    TGeometryCase{BackgroundImage, RectBackground, 1, 1, 400, 579, true},
    TGeometryCase{lblTitle, RectBackground, 0, 24, 401, 36, true},
    TGeometryCase{lblSubtitle, RectBackground, 0, 62, 401, 24, true},
    TGeometryCase{PanelEmail, RectBackground, 28, 120, 345, 300, true},
    TGeometryCase{lblEmailPrompt, PanelEmail, 0, 2, 345, 28, true},
    TGeometryCase{edtEmail, PanelEmail, 0, 38, 345, 40, true},
    TGeometryCase{btnSendCode, PanelEmail, 0, 100, 345, 44, true},
    TGeometryCase{lblEmailStatus, PanelEmail, 0, 152, 345, 48, true},
    TGeometryCase{PanelCode, RectBackground, 28, 120, 345, 340, false},
    TGeometryCase{lblCodePrompt, PanelCode, 0, 0, 345, 28, true},
    TGeometryCase{edtCode, PanelCode, 63, 44, 220, 48, true},
    TGeometryCase{btnVerify, PanelCode, 0, 110, 345, 44, true},
    TGeometryCase{btnBackToEmail, PanelCode, 0, 168, 170, 36, true},
    TGeometryCase{btnResend, PanelCode, 180, 168, 170, 36, true},
    TGeometryCase{lblCodeStatus, PanelCode, 0, 220, 345, 48, true},
    TGeometryCase{PanelCompanies, RectBackground, 28, 120, 345, 450, false},
    TGeometryCase{lblCompanyPrompt, PanelCompanies, 0, 0, 345, 28, true},
    TGeometryCase{lstCompanies, PanelCompanies, 0, 36, 345, 240, true},
    TGeometryCase{btnSetup, PanelCompanies, 0, 290, 345, 44, true},
    TGeometryCase{memoStatus, PanelCompanies, 0, 330, 345, 116, true},
    TGeometryCase{AniIndicator, RectBackground, 183, 530, 36, 36, false}),
    [](const testing::TestParamInfo<TGeometryCase>& AInfo) {
        for (const TControl& C : LoadFormDescription(TDeviceClass::Desktop))
            if (C.Id == AInfo.param.Id)
                return std::string(C.Name);
        return "Control" + std::to_string(static_cast<int>(AInfo.param.Id));
    });

TEST(WindowDescriptionViews, TabletViewKeepsTheMasterButtonsAndGrowsTheClientArea)
{
    const std::vector<TControl> Tablet = LoadFormDescription(TDeviceClass::Tablet);
    const std::vector<TControl> Desktop = LoadFormDescription(TDeviceClass::Desktop);
    ASSERT_EQ(Tablet.size(), Desktop.size());
    for (size_t I = 0; I < Tablet.size(); ++I) {
        const TControl& T = Tablet[I];
        const TControl& D = Desktop[I];
        SCOPED_TRACE(T.Name);
        if (T.Id == TCtl::MainForm || T.Id == TCtl::RectBackground) {
            EXPECT_EQ(T.W, 1080);
            EXPECT_EQ(T.H, 1920);
        } else if (T.Id == TCtl::btnBackToEmail || T.Id == TCtl::btnResend) {
            EXPECT_EQ(T.W, 165);
            EXPECT_EQ(T.X, D.X);
        } else {
            EXPECT_EQ((std::vector<double>{T.X, T.Y, T.W, T.H}), (std::vector<double>{D.X, D.Y, D.W, D.H}));
        }
    }
}

TEST(WindowDescriptionViews, TextsAndEvents)
{
    const std::vector<TControl> D = LoadFormDescription(TDeviceClass::Desktop);
    auto Get = [&](TCtl AId) { return *std::find_if(D.begin(), D.end(), [&](const TControl& C) { return C.Id == AId; }); };
    EXPECT_EQ(Get(TCtl::MainForm).Text, u"ZELV Cloud Setup");
    EXPECT_EQ(Get(TCtl::lblSubtitle).Text, u"Connect to your ZELV servers");
    EXPECT_EQ(Get(TCtl::lblCodePrompt).Text, u"Enter the 6-digit code sent to your email:");
    EXPECT_EQ(Get(TCtl::lblBtnSendCode).Text, u"Send Verification Code");
    EXPECT_EQ(Get(TCtl::lblBtnVerify).Text, u"Verify Code");
    EXPECT_EQ(Get(TCtl::btnResend).Text, u"Resend Code");
    EXPECT_EQ(Get(TCtl::edtCode).MaxLength, 6);
    EXPECT_EQ(Get(TCtl::edtEmail).MaxLength, 0);
    EXPECT_FALSE(Get(TCtl::edtEmail).Prompt.empty());
    EXPECT_EQ(Get(TCtl::lstCompanies).ItemHeight, 32);
    EXPECT_EQ(Get(TCtl::edtEmail).Keyboard, TKeyboardKind::Email);
    EXPECT_EQ(Get(TCtl::edtCode).Keyboard, TKeyboardKind::NumberPad);
    EXPECT_EQ(Get(TCtl::edtEmail).OnKeyDown, THandler::edtEmailKeyDown);
    EXPECT_EQ(Get(TCtl::edtCode).OnKeyDown, THandler::edtCodeKeyDown);
    EXPECT_EQ(Get(TCtl::btnSetup).OnClick, THandler::btnSetupClick);
    // Captions take no clicks, so a click on the text reaches the rectangle.
    for (TCtl Caption : {TCtl::lblBtnSendCode, TCtl::lblBtnVerify, TCtl::lblBtnSetup}) {
        EXPECT_FALSE(Get(Caption).HitTest);
        EXPECT_EQ(Get(Caption).FontColor, 0xFFFFFFFFu);
    }
}

}  // namespace
