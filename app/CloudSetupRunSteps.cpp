#include "app/CloudSetupRun.h"
#include "profiles/CloudSetupPlatform.h"
#include "profiles/CloudSetupRDPWriter.h"
#include "workstation/CloudSetupWinActions.h"

namespace zelv {

TSetupSteps DefaultSetupSteps()
{
    TSetupSteps Steps;
    Steps.GetDesktopPath = [] { return GetDesktopPath(); };
    Steps.WriteRDPFile = [](const UString& ADesktopPath, const UString& ACompanyCode, const UString& AServerAddress) {
        return TRDPWriter::WriteRDPFile(ADesktopPath, ACompanyCode, AServerAddress);
    };
    // The run reports no progress: its log shows the step instead.
    Steps.DownloadDLL = [](UString& AError) { return TWinActions::DownloadDLL(TOnProgress(), AError); };
    Steps.GetDLLInstallPath = [] { return TWinActions::GetDLLInstallPath(); };
    Steps.GetDLLFileName = [] { return TWinActions::GetDLLFileName(); };
    Steps.RegisterDLLInRegistry = [] { return TWinActions::RegisterDLLInRegistry(); };
    Steps.DisableUDP = [] { return TWinActions::DisableUDP(); };
    return Steps;
}

}  // namespace zelv
