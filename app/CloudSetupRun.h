#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "core/CloudSetupText.h"
#include "service/CloudSetupTypes.h"

namespace zelv {

// The operations one setup run calls, in the order it calls them. The program uses the real ones
// (DefaultSetupSteps); tests hand in their own.
struct TSetupSteps {
    std::function<UString()> GetDesktopPath;
    // Returns the path of the file written; raises ECloudSetupError when it cannot write.
    std::function<UString(const UString& ADesktopPath, const UString& ACompanyCode, const UString& AServerAddress)>
        WriteRDPFile;
    // True only when a verified library is at the path (see TWinActions::DownloadDLL).
    std::function<bool(UString& AError)> DownloadDLL;
    // Further notes of the library step, each logged as a "Note: " line after its result. May be
    // empty.
    std::function<std::vector<UString>()> InstallNotes;
    std::function<UString()> GetDLLInstallPath;
    std::function<UString()> GetDLLFileName;
    std::function<bool()> RegisterDLLInRegistry;
    std::function<bool()> DisableUDP;
};

TSetupSteps DefaultSetupSteps();

// Runs the whole setup for the ticked companies (indices into ACompanies, in list order) and logs
// every step through ALog, which returns once the line is shown. The add-in is registered only
// when DownloadDLL reports a verified library in place; a failure raised by any step outside the
// per-company guard ends the run with an "ERROR: " line. Returns whether anything failed that
// counts as an error: a connection file not written, the add-in not installed, or a failure that
// stopped the run. Only a failure of ALog itself leaves it.
bool RunSetup(const TSetupSteps& ASteps, const TCompanyList& ACompanies, const std::vector<intptr_t>& ASelectedIndices,
              const std::function<void(const UString&)>& ALog);

}  // namespace zelv
