#include "app/CloudSetupRun.h"

#include <exception>

#include "core/CloudSetupError.h"

namespace zelv {

bool RunSetup(const TSetupSteps& ASteps, const TCompanyList& ACompanies, const std::vector<intptr_t>& ASelectedIndices,
              const std::function<void(const UString&)>& ALog)
{
    bool HadErrors = false;
    try {
        const UString DesktopPath = ASteps.GetDesktopPath();

        for (intptr_t Index : ASelectedIndices) {
            if (Index < 0 || static_cast<size_t>(Index) >= ACompanies.size())
                continue;
            const TCompanyInfo& Company = ACompanies[static_cast<size_t>(Index)];
            UString LogLine;
            // One company's failure must not stop the others.
            try {
                LogLine = u"RDP: " + ASteps.WriteRDPFile(DesktopPath, Company.CompanyCode, Company.ServerAddress);
            } catch (const std::exception& E) {
                HadErrors = true;
                LogLine = u"ERROR (RDP " + Company.CompanyCode + u"): " + FailureText(E);
            }
            ALog(LogLine);
        }

        ALog(u"Downloading zelvcloud DLL...");
        UString Error;
        UString LogLine;
        if (ASteps.DownloadDLL(Error)) {
            LogLine = u"DLL: " + ASteps.GetDLLInstallPath() + ASteps.GetDLLFileName();
            if (!Error.empty())
                LogLine += u"\r\nNote: " + Error;
        } else {
            HadErrors = true;
            LogLine = u"ERROR: " + Error;
        }
        ALog(LogLine);

        ALog(u"Configuring registry...");
        const bool RegOk = ASteps.RegisterDLLInRegistry();
        ALog(RegOk ? u"Registry configured" : u"Note: Registry configuration failed");

        ALog(u"Disabling UDP (may prompt for admin)...");
        const bool UDPOk = ASteps.DisableUDP();
        ALog(UDPOk ? u"UDP disabled for RDP" : u"Note: UDP disable requires admin \u2014 skipped");
    } catch (const std::exception& E) {
        HadErrors = true;
        ALog(u"ERROR: " + FailureText(E));
    }
    return HadErrors;
}

}  // namespace zelv
