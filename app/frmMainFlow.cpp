// The sign-in flow and the setup run: input checks on the GUI thread, the service calls and the
// setup steps on the worker pool, and every change of the window handed back to the GUI thread.
#include "app/frmMain.h"

#include <exception>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"

namespace zelv {

namespace {

// A request's outcome; a raised failure, whatever was thrown, becomes a failed result with
// "Connection error: ".
template <class Call>
TAPIResult CallService(Call ACall)
{
    try {
        return ACall();
    } catch (...) {
        TAPIResult Failed;
        Failed.Message = u"Connection error: " + CaughtFailureText();
        return Failed;
    }
}

}  // namespace

void TMainForm::DoRequestCode()
{
    const UString Email = Trim(Text(TCtl::edtEmail));
    if (Email.empty()) {
        SetStatus(TCtl::lblEmailStatus, u"Please enter your email address.", true);
        return;
    }
    FCurrentEmail = AsciiLower(Email);
    SetBusy(true);
    SetStatus(TCtl::lblEmailStatus, u"Sending verification code...", false);

    // The worker holds its own references to the client and the hand-over: the window may be
    // closed while the request is in flight, and then the late step finds the hand-over closed.
    StartSignInWork(TCtl::lblEmailStatus, [this, Client = FAPIClient, HandOver = FHandOver, AEmail = FCurrentEmail] {
        auto Result = std::make_shared<TAPIResult>(CallService([&] { return Client->RequestCode(AEmail); }));
        HandOver->Run([this, Result] {
            SignInStep(TCtl::lblEmailStatus, [&] {
                SetBusy(false);
                if (Result->Success) {
                    SetStatus(TCtl::lblEmailStatus, u"", false);
                    SetText(TCtl::edtCode, u"");
                    SetStatus(TCtl::lblCodeStatus, u"", false);
                    ShowPanel(TCtl::PanelCode);
                    FocusControl(TCtl::edtCode);
                } else {
                    SetStatus(TCtl::lblEmailStatus, Result->Message, true);
                }
            });
        });
    });
}

void TMainForm::DoVerifyCode()
{
    const UString Code = Trim(Text(TCtl::edtCode));
    if (Code.size() != 6) {
        SetStatus(TCtl::lblCodeStatus, u"Please enter the 6-digit code.", true);
        return;
    }
    SetBusy(true);
    SetStatus(TCtl::lblCodeStatus, u"Verifying...", false);

    StartSignInWork(TCtl::lblCodeStatus, [this, Client = FAPIClient, HandOver = FHandOver, AEmail = FCurrentEmail, Code] {
        auto Result = std::make_shared<TAPIResult>(CallService([&] { return Client->VerifyCode(AEmail, Code); }));
        HandOver->Run([this, Result] {
            SignInStep(TCtl::lblCodeStatus, [&] {
                SetBusy(false);
                if (Result->Success) {
                    // The window takes the list over; the list it held before goes.
                    FCompanies = std::move(Result->Companies);
                    if (!FCompanies)
                        FCompanies = std::make_unique<TCompanyList>();
                    PopulateCompanies();
                    ShowPanel(TCtl::PanelCompanies);
                } else {
                    Result->Companies.reset();
                    SetStatus(TCtl::lblCodeStatus, Result->Message, true);
                }
            });
        });
        // A list of a step that never ran (window gone) is freed with the result here.
    });
}

void TMainForm::StartSignInWork(TCtl AStatusLabel, std::function<void()> AWork)
{
    // Whatever the work throws past its own guard still ends the request on the page, so the
    // window never stays busy.
    auto Guarded = [this, AStatusLabel, HandOver = FHandOver, Work = std::move(AWork)] {
        try {
            Work();
        } catch (...) {
            const UString Failure = u"Connection error: " + CaughtFailureText();
            HandOver->Run([this, AStatusLabel, &Failure] { SignInFailed(AStatusLabel, Failure); });
        }
    };
    try {
        platform::WorkerPool().Start(std::move(Guarded));
    } catch (...) {
        SignInFailed(AStatusLabel, CaughtFailureText());
    }
}

void TMainForm::SignInStep(TCtl AStatusLabel, const std::function<void()>& AStep)
{
    try {
        AStep();
    } catch (...) {
        SignInFailed(AStatusLabel, CaughtFailureText());
    }
}

void TMainForm::SignInFailed(TCtl AStatusLabel, const UString& AText)
{
    SetBusy(false);
    SetStatus(AStatusLabel, AText, true);
}

void TMainForm::PopulateCompanies()
{
    std::vector<TListItem> Items;
    if (FCompanies) {
        Items.reserve(FCompanies->size());
        for (size_t Index = 0; Index < FCompanies->size(); ++Index) {
            const TCompanyInfo& Company = (*FCompanies)[Index];
            Items.push_back(TListItem{Company.CompanyCode + u"  (" + Company.ServerAddress + u")", true,
                                      static_cast<intptr_t>(Index)});
        }
    }
    ListFill(std::move(Items));
}

void TMainForm::DoSetup()
{
    if (!FCompanies || FCompanies->empty())
        return;
    std::vector<intptr_t> SelectedIndices;
    for (const TListItem& Item : ListItems())
        if (Item.Checked)
            SelectedIndices.push_back(Item.Tag);
    if (SelectedIndices.empty()) {
        SetVisible(TCtl::memoStatus, true);
        AppendLog(u"Please select at least one company.");
        return;
    }

    FTaskRunning = true;
    try {
        SetBusy(true);
        SetVisible(TCtl::lblCompanyPrompt, false);
        SetVisible(TCtl::lstCompanies, false);
        SetTop(TCtl::memoStatus, 0);
        SetHeight(TCtl::memoStatus, 290);
        SetVisible(TCtl::memoStatus, true);
        SetTop(TCtl::btnSetup, 298);
        ClearLog();
        AppendLog(u"Starting setup...");

        // The run works on its own copy of the companies, so nothing it reads can change under it.
        auto Companies = std::make_shared<const TCompanyList>(*FCompanies);
        platform::WorkerPool().Start([this, HandOver = FHandOver, Steps = FSetupSteps, Companies, SelectedIndices] {
            bool HadErrors = true;
            try {
                HadErrors = RunSetup(Steps, *Companies, SelectedIndices, [&](const UString& ALine) {
                    HandOver->Run([this, &ALine] { AppendLog(ALine); });
                });
            } catch (...) {
                // A failure of the logging itself; the run still ends with its completion step.
                try {
                    const UString Line = u"ERROR: " + CaughtFailureText();
                    HandOver->Run([this, &Line] { AppendLog(Line); });
                } catch (...) {
                }
            }
            HandOver->Run([this, HadErrors] { CompleteSetup(HadErrors); });
        });
    } catch (...) {
        // The run never started: it ends here, as a failed run, and the window stays usable.
        try {
            AppendLog(u"ERROR: " + CaughtFailureText());
        } catch (...) {
        }
        CompleteSetup(true);
    }
}

void TMainForm::CompleteSetup(bool AHadErrors)
{
    // First of all: whatever fails below, the window can be closed.
    FTaskRunning = false;
    SetBusy(false);
    if (AHadErrors) {
        ShowSetupResult(u"Completed with errors \u2014 see details below", 0xFFFF0000, 0xFF888888);
        SetTop(TCtl::memoStatus, 62);
        SetHeight(TCtl::memoStatus, 228);
    } else {
        ShowSetupResult(u"Setup Complete!", 0xFF1A8A3C, 0xFF1A8A3C);
        SetVisible(TCtl::memoStatus, false);
        FLogVisible = false;
        SetText(FLblShowLog, u"Show install log");
        SetVisible(FLblShowLog, true);
    }
    SetTop(TCtl::btnSetup, 298);
    SetHitTest(TCtl::btnSetup, true);
    SetOpacity(TCtl::btnSetup, 1.0);
    SetText(TCtl::lblBtnSetup, u"Close");
}

void TMainForm::ShowSetupResult(const UString& AText, TAlphaColor AFontColor, TAlphaColor AButtonColor)
{
    SetText(FLblSetupResult, AText);
    SetFontColor(FLblSetupResult, AFontColor);
    SetFillColor(TCtl::btnSetup, AButtonColor);
    SetVisible(FLblSetupResult, true);
}

}  // namespace zelv
