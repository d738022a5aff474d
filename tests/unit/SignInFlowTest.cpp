// The sign-in flow and the setup run as the window drives them, with the background work queued
// on the test's thread (and once with real threads, for ThreadSanitizer).
#include <gtest/gtest.h>

#include <new>

#include "app/frmMain.h"
#include "app/frmMainTestAccess.h"
#include "common/FakeHttp.h"
#include "common/Fakes.h"
#include "core/CloudSetupError.h"
#include "platform/posix/ThreadBackground.h"

using namespace zelv;

namespace {

class TNullView : public IFormView {
public:
    TCtl Focused = TCtl::None;
    void ControlAdded(const TControl&) override {}
    void ControlChanged(const TControl&) override {}
    void ListFilled(const TControl&) override {}
    void ListItemChanged(const TControl&, size_t) override {}
    void LogAppended(const TControl&, const UString&) override {}
    void LogCleared(const TControl&) override {}
    void FocusControl(TCtl AId) override { Focused = AId; }
    void ShowMessage(const UString&) override {}
    void Close() override {}
};

constexpr char Companies[] =
    R"({"success":true,"companies":[{"companyCode":"ab1","serverAddress":"10.0.0.5"},)"
    R"({"companyCode":"VOD","serverAddress":"rds.zelvcloud.invalid"},{"companyCode":"hqv","serverAddress":""}]})";

class SignInFlow : public testing::Test {
protected:
    test::TFakeHttp FHttp;
    test::TQueuedWorkerPool FPool;
    test::TDirectGuiThread FGui;
    platform::TPlatformScope FScope;
    TNullView FView;
    std::unique_ptr<TMainForm> FForm;
    std::vector<UString> FRunCalls;

    void SetUp() override
    {
        FScope->Http = &FHttp;
        FScope->WorkerPool = &FPool;
        FScope->GuiThread = &FGui;
        FForm = std::make_unique<TMainForm>(FView, LoadFormDescription(TDeviceClass::Desktop));
        FForm->FormCreate();
    }
    void TearDown() override
    {
        if (FForm)
            FForm->FormDestroy();
    }
    const TControl& C(TCtl AId) const { return FForm->Ctl(AId); }
    bool Busy() const { return !C(TCtl::edtEmail).Enabled; }

    // Up to a verification in flight: the code requested and answered, the code sent.
    void StartVerification(const UString& AEmail, const UString& ACode)
    {
        FForm->SetText(TCtl::edtEmail, AEmail);
        FHttp.Answer(200, R"({"success":true,"message":"sent","expiresInSeconds":600})");
        FForm->KeyDown(TCtl::edtEmail, 13);
        FPool.RunAll();
        FForm->SetText(TCtl::edtCode, ACode);
        FHttp.Answer(200, Companies);
        FForm->Click(TCtl::btnVerify);
    }

    void SignIn()
    {
        StartVerification(u"User@Example.com", u" 123456 ");
        FPool.RunAll();
    }

    TSetupSteps FakeSteps(std::vector<UString> AFailingCodes = {})
    {
        TSetupSteps S;
        S.GetDesktopPath = [] { return UString(u"D"); };
        S.WriteRDPFile = [this, AFailingCodes](const UString&, const UString& ACode, const UString&) {
            FRunCalls.push_back(ACode);
            for (const UString& F : AFailingCodes)
                if (F == ACode)
                    throw ECloudSetupError(u"held open");
            return u"D\\" + ACode + u".rdp";
        };
        S.DownloadDLL = [](UString&) { return true; };
        S.GetDLLInstallPath = [] { return UString(u"P\\"); };
        S.GetDLLFileName = [] { return UString(u"z.dll"); };
        S.RegisterDLLInRegistry = [] { return true; };
        S.DisableUDP = [] { return false; };
        return S;
    }
};

TEST_F(SignInFlow, BlankAddressIsRefusedAndNothingIsSent)
{
    FForm->SetText(TCtl::edtEmail, u"  \t ");
    FForm->Click(TCtl::btnSendCode);
    EXPECT_EQ(C(TCtl::lblEmailStatus).Text, u"Please enter your email address.");
    EXPECT_EQ(C(TCtl::lblEmailStatus).FontColor, 0xFFFF0000u);
    EXPECT_TRUE(FPool.Pending.empty());
    EXPECT_FALSE(Busy());
}

TEST_F(SignInFlow, CodeRequestSendsTheTrimmedLowerCasedAddressAndShowsTheCodePage)
{
    FForm->SetText(TCtl::edtEmail, u"  John.DOE@Example.COM ");
    FForm->SetText(TCtl::edtCode, u"old");
    FHttp.Answer(200, R"({"success":true,"message":"sent"})");
    FForm->Click(TCtl::btnSendCode);
    EXPECT_TRUE(Busy());
    EXPECT_EQ(C(TCtl::lblEmailStatus).Text, u"Sending verification code...");
    EXPECT_EQ(C(TCtl::lblEmailStatus).FontColor, 0xFF008000u);
    FPool.RunAll();
    ASSERT_EQ(FHttp.Requests.size(), 1u);
    EXPECT_EQ(FHttp.Requests[0].Body, R"({"email":"john.doe@example.com"})");
    EXPECT_EQ(C(TCtl::edtEmail).Text, u"  John.DOE@Example.COM ") << "the box keeps what was typed";
    EXPECT_FALSE(Busy());
    EXPECT_TRUE(FForm->IsShowing(TCtl::PanelCode));
    EXPECT_EQ(C(TCtl::edtCode).Text, u"");
    EXPECT_EQ(C(TCtl::lblEmailStatus).Text, u"");
    EXPECT_EQ(FView.Focused, TCtl::edtCode);
}

TEST_F(SignInFlow, RaisedFailureShowsConnectionErrorAndTheWindowIsIdleAgain)
{
    FForm->SetText(TCtl::edtEmail, u"a@b.c");
    FHttp.Fail(u"The operation timed out (error 12002)");
    FForm->Click(TCtl::btnSendCode);
    FPool.RunAll();
    EXPECT_EQ(C(TCtl::lblEmailStatus).Text, u"Connection error: The operation timed out (error 12002)");
    EXPECT_EQ(C(TCtl::lblEmailStatus).FontColor, 0xFFFF0000u);
    EXPECT_TRUE(FForm->IsShowing(TCtl::PanelEmail));
    EXPECT_FALSE(Busy());
}

TEST_F(SignInFlow, ShortCodeIsRefusedAndAVerifiedUserSeesEveryCompanyTicked)
{
    SignIn();
    EXPECT_TRUE(FForm->IsShowing(TCtl::PanelCompanies));
    ASSERT_EQ(FHttp.Requests.size(), 2u);
    EXPECT_EQ(FHttp.Requests[1].Body, R"({"email":"user@example.com","code":"123456"})");
    const auto& Items = FForm->ListItems();
    ASSERT_EQ(Items.size(), 3u);
    EXPECT_EQ(Items[0].Text, u"ab1  (10.0.0.5)");
    EXPECT_EQ(Items[2].Text, u"hqv  ()");
    for (size_t I = 0; I < Items.size(); ++I) {
        EXPECT_TRUE(Items[I].Checked);
        EXPECT_EQ(Items[I].Tag, static_cast<intptr_t>(I));
    }

    // A new sign-in on a fresh form: five characters are refused before anything is sent.
    FForm->ShowPanel(TCtl::PanelCode);
    FForm->SetText(TCtl::edtCode, u" 12345");
    FForm->KeyDown(TCtl::edtCode, 13);
    EXPECT_EQ(C(TCtl::lblCodeStatus).Text, u"Please enter the 6-digit code.");
    EXPECT_EQ(FHttp.Requests.size(), 2u);
}

TEST_F(SignInFlow, FailedVerificationKeepsTheCodeAndTheCompaniesOfBefore)
{
    SignIn();
    const TCompanyList* Before = TMainFormTestAccess::Companies(*FForm);
    FForm->ShowPanel(TCtl::PanelCode);
    FForm->SetText(TCtl::edtCode, u"654321");
    FHttp.Answer(401, R"({"success":false,"error":"INVALID_CODE"})");
    FForm->Click(TCtl::btnVerify);
    FPool.RunAll();
    EXPECT_EQ(TMainFormTestAccess::Companies(*FForm), Before);
    EXPECT_EQ(C(TCtl::edtCode).Text, u"654321");
    EXPECT_FALSE(C(TCtl::lblCodeStatus).Text.empty());
    EXPECT_EQ(C(TCtl::lblCodeStatus).FontColor, 0xFFFF0000u);
    EXPECT_TRUE(FForm->IsShowing(TCtl::PanelCode));
}

TEST_F(SignInFlow, BackDuringVerificationThenTheAnswerStillArrives)
{
    StartVerification(u"a@b.c", u"123456");
    FForm->Click(TCtl::btnBackToEmail);
    EXPECT_TRUE(FForm->IsShowing(TCtl::PanelEmail));
    FPool.RunAll();
    EXPECT_TRUE(FForm->IsShowing(TCtl::PanelCompanies));
}

TEST_F(SignInFlow, WindowClosedWhileVerifyingDropsTheLateStep)
{
    StartVerification(u"a@b.c", u"123456");
    FForm->FormDestroy();
    FForm.reset();  // the window is gone before the answer arrives
    FPool.RunAll();  // ASan reports any touch of the freed window or a leaked list
    EXPECT_EQ(FGui.Last->Dropped, 1);
}

TEST_F(SignInFlow, SetupNeedsATickedCompanyAndAppendsTheHintPerClick)
{
    SignIn();
    FForm->ItemChecked(TCtl::lstCompanies, 0, false);
    FForm->ItemChecked(TCtl::lstCompanies, 1, false);
    FForm->ItemChecked(TCtl::lstCompanies, 2, false);
    FForm->Click(TCtl::btnSetup);
    FForm->Click(TCtl::btnSetup);
    EXPECT_EQ(C(TCtl::memoStatus).Text,
              u"Please select at least one company.\r\nPlease select at least one company.\r\n");
    EXPECT_TRUE(C(TCtl::memoStatus).Visible);
    EXPECT_TRUE(FPool.Pending.empty());
}

TEST_F(SignInFlow, SetupRunsTheTickedCompaniesAndEndsWithErrorsLayout)
{
    SignIn();
    TMainFormTestAccess::SetSetupSteps(*FForm, FakeSteps({u"VOD"}));
    FForm->ItemChecked(TCtl::lstCompanies, 0, true);
    FForm->Click(TCtl::btnSetup);
    EXPECT_TRUE(TMainFormTestAccess::TaskRunning(*FForm));
    EXPECT_FALSE(FForm->CloseQuery());
    EXPECT_FALSE(C(TCtl::lstCompanies).Visible);
    EXPECT_EQ(C(TCtl::memoStatus).Y, 0);
    EXPECT_EQ(C(TCtl::memoStatus).H, 290);
    EXPECT_EQ(C(TCtl::memoStatus).Text, u"Starting setup...\r\n");
    FPool.RunAll();
    EXPECT_EQ(FRunCalls, (std::vector<UString>{u"ab1", u"VOD", u"hqv"}));
    EXPECT_EQ(C(TCtl::memoStatus).Text,
              u"Starting setup...\r\nRDP: D\\ab1.rdp\r\nERROR (RDP VOD): held open\r\nRDP: D\\hqv.rdp\r\n"
              u"Downloading zelvcloud DLL...\r\nDLL: P\\z.dll\r\nConfiguring registry...\r\nRegistry configured\r\n"
              u"Disabling UDP (may prompt for admin)...\r\nNote: UDP disable requires admin \u2014 skipped\r\n");
    EXPECT_FALSE(TMainFormTestAccess::TaskRunning(*FForm));
    EXPECT_EQ(C(TCtl::FLblSetupResult).Text, u"Completed with errors \u2014 see details below");
    EXPECT_EQ(C(TCtl::FLblSetupResult).FontColor, 0xFFFF0000u);
    EXPECT_EQ(C(TCtl::btnSetup).FillColor, 0xFF888888u);
    EXPECT_EQ(C(TCtl::memoStatus).Y, 62);
    EXPECT_EQ(C(TCtl::memoStatus).H, 228);
    EXPECT_FALSE(C(TCtl::FLblShowLog).Visible);
    EXPECT_EQ(C(TCtl::lblBtnSetup).Text, u"Close");
    EXPECT_TRUE(FForm->CloseQuery());
}

TEST_F(SignInFlow, SuccessfulSetupShowsTheGreenHeadlineAndTheLogLink)
{
    SignIn();
    TMainFormTestAccess::SetSetupSteps(*FForm, FakeSteps());
    FForm->ItemChecked(TCtl::lstCompanies, 1, false);
    FForm->Click(TCtl::btnSetup);
    FPool.RunAll();
    EXPECT_EQ(FRunCalls, (std::vector<UString>{u"ab1", u"hqv"}));
    EXPECT_EQ(C(TCtl::FLblSetupResult).Text, u"Setup Complete!");
    EXPECT_EQ(C(TCtl::btnSetup).FillColor, 0xFF1A8A3Cu);
    EXPECT_FALSE(C(TCtl::memoStatus).Visible);
    EXPECT_TRUE(C(TCtl::FLblShowLog).Visible);
    EXPECT_EQ(C(TCtl::btnSetup).Y, 298);
    EXPECT_TRUE(C(TCtl::btnSetup).HitTest);
    EXPECT_EQ(C(TCtl::btnSetup).Opacity, 1.0);
}

// The pool refuses the work: nothing is left busy or running, and the page says why.
class TRefusingPool : public platform::IWorkerPool {
public:
    void Start(std::function<void()>) override { throw ECloudSetupError(u"Could not start a background task"); }
};

TEST_F(SignInFlow, WorkThatCannotStartLeavesTheWindowUsable)
{
    TRefusingPool Refusing;
    FScope->WorkerPool = &Refusing;
    FForm->SetText(TCtl::edtEmail, u"user@example.com");
    FForm->Click(TCtl::btnSendCode);
    EXPECT_FALSE(Busy());
    EXPECT_EQ(C(TCtl::lblEmailStatus).Text, u"Could not start a background task");
    EXPECT_EQ(C(TCtl::lblEmailStatus).FontColor, 0xFFFF0000u);

    FScope->WorkerPool = &FPool;
    SignIn();
    FScope->WorkerPool = &Refusing;
    FForm->Click(TCtl::btnSetup);
    EXPECT_FALSE(TMainFormTestAccess::TaskRunning(*FForm));
    EXPECT_TRUE(FForm->CloseQuery());
    EXPECT_EQ(C(TCtl::memoStatus).Text, u"Starting setup...\r\nERROR: Could not start a background task\r\n");
    EXPECT_EQ(C(TCtl::FLblSetupResult).Text, u"Completed with errors \u2014 see details below");
    EXPECT_EQ(C(TCtl::lblBtnSetup).Text, u"Close");
    EXPECT_TRUE(C(TCtl::btnSetup).HitTest);
}

// Not our failure type, not even an exception class: the request still ends on the page.
class TThrowingHttp : public platform::IHttpClient {
public:
    bool OutOfMemory = true;
    platform::THttpResponse Send(const platform::THttpRequest&, platform::IHttpBodySink*) override
    {
        if (OutOfMemory)
            throw std::bad_alloc();
        throw 42;
    }
};

TEST_F(SignInFlow, AnyThrowEndsTheRequestWithItsStatus)
{
    TThrowingHttp Throwing;
    FScope->Http = &Throwing;
    for (bool OutOfMemory : {true, false}) {
        Throwing.OutOfMemory = OutOfMemory;
        FForm->SetText(TCtl::edtEmail, u"user@example.com");
        FForm->Click(TCtl::btnSendCode);
        FPool.RunAll();
        EXPECT_FALSE(Busy());
        EXPECT_EQ(C(TCtl::lblEmailStatus).Text, OutOfMemory ? u"Connection error: Not enough memory to complete the operation"
                                                            : u"Connection error: An unexpected failure stopped the operation");
    }
}

TEST_F(SignInFlow, AnyThrowOfASetupStepStillCompletesTheRun)
{
    SignIn();
    TSetupSteps Steps = FakeSteps();
    Steps.GetDesktopPath = []() -> UString { throw 42; };
    TMainFormTestAccess::SetSetupSteps(*FForm, Steps);
    FForm->Click(TCtl::btnSetup);
    FPool.RunAll();
    EXPECT_EQ(C(TCtl::memoStatus).Text, u"Starting setup...\r\nERROR: An unexpected failure stopped the operation\r\n");
    EXPECT_FALSE(TMainFormTestAccess::TaskRunning(*FForm));
    EXPECT_EQ(C(TCtl::lblBtnSetup).Text, u"Close");
}

// The whole sign-in and setup with real threads: every window change on the test's (GUI) thread.
TEST(ThreadedSignInFlow, SignInAndSetupWithRealWorkers)
{
    test::TFakeHttp Http;
    posix::TThreadWorkerPool Pool;
    posix::TQueueGuiThread Gui;
    platform::TPlatformScope Scope;
    Scope->Http = &Http;
    Scope->WorkerPool = &Pool;
    Scope->GuiThread = &Gui;
    TNullView View;
    TMainForm Form(View, LoadFormDescription(TDeviceClass::Desktop));
    Form.FormCreate();
    auto Idle = [&] { return Form.Ctl(TCtl::edtEmail).Enabled && Form.Ctl(TCtl::btnSetup).HitTest; };

    Http.Answer(200, R"({"success":true})");
    Http.Answer(200, Companies);
    Form.SetText(TCtl::edtEmail, u"a@b.c");
    Form.Click(TCtl::btnSendCode);
    ASSERT_TRUE(Gui.Last->PumpUntil([&] { return Form.IsShowing(TCtl::PanelCode); }));
    Form.SetText(TCtl::edtCode, u"123456");
    Form.Click(TCtl::btnVerify);
    ASSERT_TRUE(Gui.Last->PumpUntil([&] { return Form.IsShowing(TCtl::PanelCompanies) && Idle(); }));

    TSetupSteps Steps;
    Steps.GetDesktopPath = [] { return UString(u"D"); };
    Steps.WriteRDPFile = [](const UString&, const UString& ACode, const UString&) { return ACode; };
    Steps.DownloadDLL = [](UString&) { return true; };
    Steps.GetDLLInstallPath = [] { return UString(); };
    Steps.GetDLLFileName = [] { return UString(); };
    Steps.RegisterDLLInRegistry = [] { return true; };
    Steps.DisableUDP = [] { return true; };
    TMainFormTestAccess::SetSetupSteps(Form, Steps);
    Form.Click(TCtl::btnSetup);
    ASSERT_TRUE(Gui.Last->PumpUntil([&] { return Form.Text(TCtl::lblBtnSetup) == u"Close"; }));
    EXPECT_EQ(Form.Text(TCtl::FLblSetupResult), u"Setup Complete!");
    Pool.JoinAll();
    Form.FormDestroy();
}

}  // namespace
