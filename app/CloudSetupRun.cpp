#include "app/CloudSetupRun.h"

#include <exception>

#include "core/CloudSetupError.h"

namespace zelv {

namespace {

UString RegistrySkippedNote(const UString& AFolder, const UString& AFileName)
{
    // Without a folder the file name alone would read like a path in the working directory.
    if (AFolder.empty())
        return u"Note: Registry configuration skipped \u2014 the add-in's install folder could not be determined";
    return u"Note: Registry configuration skipped \u2014 no verified add-in library at " + AFolder + AFileName;
}

}  // namespace

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
        // A failure the library step raises (the install folder cannot be made, say) ends the run
        // in the guard below: nothing after it runs, the elevation prompt included.
        UString Error;
        const bool Installed = ASteps.DownloadDLL(Error);
        UString LogLine;
        if (Installed) {
            LogLine = u"DLL: " + ASteps.GetDLLInstallPath() + ASteps.GetDLLFileName();
            if (!Error.empty())
                LogLine += u"\r\nNote: " + Error;
        } else {
            HadErrors = true;
            LogLine = u"ERROR: " + Error;
        }
        ALog(LogLine);
        if (ASteps.InstallNotes) {
            for (const UString& Note : ASteps.InstallNotes())
                ALog(u"Note: " + Note);
        }

        ALog(u"Configuring registry...");
        // The registration makes the remote-desktop client load whatever lies at the path: only
        // a library this run verified may be named there.
        if (Installed) {
            const bool RegOk = ASteps.RegisterDLLInRegistry();
            ALog(RegOk ? u"Registry configured" : u"Note: Registry configuration failed");
        } else {
            ALog(RegistrySkippedNote(ASteps.GetDLLInstallPath(), ASteps.GetDLLFileName()));
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
