#include "app/CloudSetupRun.h"

#include <memory>
#include <utility>

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
    // The install folder stays held from the library's install until its registration is written.
    auto Install = std::make_shared<TInstallRun>();
    // The run reports no progress: its log shows the step instead.
    Steps.DownloadDLL = [Install](UString& AError) {
        return TWinActions::DownloadDLL(TOnProgress(), AError, TDownloadLimits(), *Install);
    };
    Steps.InstallNotes = [Install] { return std::exchange(Install->Notes, {}); };
    Steps.GetDLLInstallPath = [] { return TWinActions::GetDLLInstallPath(); };
    Steps.GetDLLFileName = [] { return TWinActions::GetDLLFileName(); };
    Steps.RegisterDLLInRegistry = [Install] {
        // The folder is let go however the registration ends.
        const TInstallRun Registering{std::move(Install->Folder), {}};
        return TWinActions::RegisterDLLInRegistry(Registering);
    };
    Steps.DisableUDP = [] { return TWinActions::DisableUDP(); };
    return Steps;
}

}  // namespace zelv
