#pragma once

#include "app/frmMain.h"

namespace zelv {

// For tests only: the state that nothing but the setup run sets.
class TMainFormTestAccess {
public:
    static void SetTaskRunning(TMainForm& AForm, bool ARunning) { AForm.FTaskRunning = ARunning; }
    static bool TaskRunning(const TMainForm& AForm) { return AForm.FTaskRunning; }
    static bool LogVisible(const TMainForm& AForm) { return AForm.FLogVisible; }
    static bool HasAPIClient(const TMainForm& AForm) { return AForm.FAPIClient != nullptr; }
    static const TCompanyList* Companies(const TMainForm& AForm) { return AForm.FCompanies.get(); }
    static const UString& CurrentEmail(const TMainForm& AForm) { return AForm.FCurrentEmail; }
    static void SetSetupSteps(TMainForm& AForm, TSetupSteps ASteps) { AForm.FSetupSteps = std::move(ASteps); }
    // The companies page as a successful verification leaves it.
    static void ShowCompanies(TMainForm& AForm, TCompanyList ACompanies)
    {
        AForm.FCompanies = std::make_unique<TCompanyList>(std::move(ACompanies));
        AForm.PopulateCompanies();
        AForm.ShowPanel(TCtl::PanelCompanies);
    }
};

}  // namespace zelv
