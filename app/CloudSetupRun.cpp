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
            } catch (...) {
                HadErrors = true;
                LogLine = u"ERROR (RDP " + Company.CompanyCode + u"): " + CaughtFailureText();
            }
            ALog(LogLine);
        }

        ALog(u"Downloading zelvcloud DLL...");
        bool Installed = false;
        UString LogLine;
        // Whatever stops the add-in's installation, the UDP step still runs.
        try {
            UString Error;
            Installed = ASteps.DownloadDLL(Error);
            if (Installed) {
                LogLine = u"DLL: " + ASteps.GetDLLInstallPath() + ASteps.GetDLLFileName();
                if (!Error.empty())
                    LogLine += u"\r\nNote: " + Error;
            } else {
                LogLine = u"ERROR: " + Error;
            }
        } catch (...) {
            Installed = false;
            LogLine = u"ERROR: " + CaughtFailureText();
        }
        HadErrors = HadErrors || !Installed;
        ALog(LogLine);

        // The registration makes the remote-desktop client load whatever lies at the path: only
        // a library this run verified may be named there.
        if (Installed) {
            ALog(u"Configuring registry...");
            const bool RegOk = ASteps.RegisterDLLInRegistry();
            ALog(RegOk ? u"Registry configured" : u"Note: Registry configuration failed");
        } else {
            ALog(u"Note: Registry configuration skipped \u2014 no verified add-in library at " + ASteps.GetDLLInstallPath() +
                 ASteps.GetDLLFileName());
        }

        ALog(u"Disabling UDP (may prompt for admin)...");
        const bool UDPOk = ASteps.DisableUDP();
        ALog(UDPOk ? u"UDP disabled for RDP" : u"Note: UDP disable requires admin \u2014 skipped");
    } catch (...) {
        HadErrors = true;
        ALog(u"ERROR: " + CaughtFailureText());
    }
    return HadErrors;
}

}  // namespace zelv
