#pragma once

#include "core/CloudSetupText.h"

namespace zelv {

// Writes the remote-desktop connection file of one company. Class-level only: never instantiated,
// keeps no state between calls.
class TRDPWriter {
public:
    TRDPWriter() = delete;

protected:
    // The per-company rules of a connection profile. Each takes the code as received and
    // normalises it itself.
    static UString NormalizedCode(UStringView ACompanyCode);
    static UString EffectiveServerAddress(UStringView ACompanyCode, UStringView AServerAddress);
    static bool NeedsGateway(UStringView AServerAddress);
    static UString GetGatewayHost(UStringView ACompanyCode);
    static UString GetRDPUserName(UStringView ACompanyCode, UStringView AServerAddress);
    static UString CompanyCodeToDigits(UStringView ACode);
    static UString GetWorkingDirectory(UStringView ACompanyCode);
};

}  // namespace zelv
