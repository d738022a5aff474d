#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/CloudSetupRun.h"
#include "app/frmMainLayout.h"
#include "core/CloudSetupText.h"
#include "platform/IBackground.h"
#include "service/CloudSetupAPIClient.h"
#include "service/CloudSetupTypes.h"

namespace zelv {

// What the controller asks of whatever shows the window. The controller owns the properties of
// every control; the view renders them and reports the user's input back to TMainForm.
//
// Each call says what changed, so the view's work follows the size of the change and never the
// size of a control's content: a user may have thousands of companies, and the log grows by a
// line per company. The items of a list and the text of the log are content; they reach the view
// only through the calls that name them (a list filled, one tick, a line appended, the log
// cleared). Every other property reaches it through ControlChanged.
class IFormView {
public:
    virtual ~IFormView() = default;
    // A control made in code after the description was loaded.
    virtual void ControlAdded(const TControl& AControl) = 0;
    // A property of AControl changed: geometry, visibility, enabled state, colours, a label's or an
    // edit box's text. For a panel, its children's effective visibility too. Never the content.
    virtual void ControlChanged(const TControl& AControl) = 0;
    // Every item of the list was replaced at once.
    virtual void ListFilled(const TControl& AList) = 0;
    // The tick of the item at AIndex changed; no other item did.
    virtual void ListItemChanged(const TControl& AList, size_t AIndex) = 0;
    // AText was added at the end of the log's text.
    virtual void LogAppended(const TControl& ALog, const UString& AText) = 0;
    // The log's text was emptied.
    virtual void LogCleared(const TControl& ALog) = 0;
    virtual void FocusControl(TCtl AId) = 0;
    // Modal, with a single OK button.
    virtual void ShowMessage(const UString& AText) = 0;
    // Asks the window to close; the close query decides.
    virtual void Close() = 0;
};

class TMainFormTestAccess;

class TMainForm {
public:
    TMainForm(IFormView& AView, std::vector<TControl> ADescription);
    ~TMainForm();
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // Bound by the description to the window's created and destroyed events.
    void FormCreate();
    void FormDestroy();

    // Input from the view.
    void Click(TCtl AId);
    void KeyDown(TCtl AId, int AKey);
    void TextEdited(TCtl AId, const UString& AText);
    void ItemChecked(TCtl AId, size_t AIndex, bool AChecked);
    // The window's close-query event: false keeps the window open.
    bool CloseQuery();

    // The controls, in tree order, as they are now.
    const std::vector<TControl>& Controls() const { return FControls; }
    const TControl& Ctl(TCtl AId) const;
    // Whether the control and all its parents are visible.
    bool IsShowing(TCtl AId) const;

    // Event handlers bound by name from the description.
    void btnSendCodeClick();
    void btnVerifyClick();
    void btnResendClick();
    void btnBackToEmailClick();
    void btnSetupClick();
    void edtEmailKeyDown(int AKey);
    void edtCodeKeyDown(int AKey);

    // Operations with which the sign-in flow and the setup run drive the window.
    void ShowPanel(TCtl APanel);
    void SetBusy(bool ABusy);
    void SetStatus(TCtl ALabel, const UString& AText, bool AIsError);
    void ToggleInstallLog();

    // Property changes of single controls; each is shown at once.
    void SetVisible(TCtl AId, bool AVisible);
    void SetEnabled(TCtl AId, bool AEnabled);
    void SetText(TCtl AId, const UString& AText);
    void SetFontColor(TCtl AId, TAlphaColor AColor);
    void SetFillColor(TCtl AId, TAlphaColor AColor);
    void SetTop(TCtl AId, double AY);
    void SetHeight(TCtl AId, double AHeight);
    void SetHitTest(TCtl AId, bool AHitTest);
    void SetOpacity(TCtl AId, double AOpacity);
    const UString& Text(TCtl AId) const { return Ctl(AId).Text; }

    // The setup log (memoStatus): lines end with CR LF.
    void AppendLog(const UString& ALine);
    void ClearLog();

    // The company list (lstCompanies): filled whole in one step, ticked one item at a time.
    void ListFill(std::vector<TListItem> AItems);
    void ListSetChecked(size_t AIndex, bool AChecked);
    const std::vector<TListItem>& ListItems() const { return Ctl(TCtl::lstCompanies).Items; }

    void FocusControl(TCtl AId) { FView.FocusControl(AId); }
    void ShowMessage(const UString& AText) { FView.ShowMessage(AText); }

private:
    friend class TMainFormTestAccess;

    // The sign-in flow and the setup run (frmMainFlow.cpp).
    void DoRequestCode();
    void DoVerifyCode();
    void DoSetup();
    // Starts a sign-in request's work; whatever stops it, the page ends usable with the reason
    // in its status label.
    void StartSignInWork(TCtl AStatusLabel, std::function<void()> AWork);
    void SignInStep(TCtl AStatusLabel, const std::function<void()>& AStep);
    void SignInFailed(TCtl AStatusLabel, const UString& AText);
    void PopulateCompanies();
    void CompleteSetup(bool AHadErrors);
    void ShowSetupResult(const UString& AText, TAlphaColor AFontColor, TAlphaColor AButtonColor);

    TControl& Mutable(TCtl AId);
    void Changed(TCtl AId);
    void Dispatch(THandler AHandler, int AKey);

    IFormView& FView;
    std::vector<TControl> FControls;

    // Shared with the sign-in workers: a request still in flight when the window closes keeps the
    // client alive until it returns.
    std::shared_ptr<TCloudAPIClient> FAPIClient;
    std::unique_ptr<TCompanyList> FCompanies;
    UString FCurrentEmail;
    bool FTaskRunning = false;
    TCtl FLblSetupResult = TCtl::None;
    TCtl FLblShowLog = TCtl::None;
    bool FLogVisible = false;
    // The workers' way back to the GUI thread; closed when the window goes, so late steps drop.
    std::shared_ptr<platform::IGuiHandOver> FHandOver;
    TSetupSteps FSetupSteps;
};

}  // namespace zelv
