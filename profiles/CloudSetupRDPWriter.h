#pragma once

#include <string>
#include <vector>

#include "core/CloudSetupText.h"

namespace zelv {

// Writes the remote-desktop connection file of one company. Class-level only: never instantiated,
// keeps no state between calls.
class TRDPWriter {
public:
    TRDPWriter() = delete;

    // Writes the connection file of one company into the desktop folder and returns its path as
    // built (not made absolute). The code and the address are passed as the service sent them.
    // An earlier file of that name is replaced whole or not at all. Raises ECloudSetupError when
    // the code cannot name a file, the address would break the file's lines, or the file cannot
    // be created or written.
    static UString WriteRDPFile(UStringView ADesktopPath, UStringView ACompanyCode, UStringView AServerAddress);

protected:
    // The 50 lines of the file, in file order, without line ends.
    static std::vector<UString> BuildRDPLines(UStringView ACompanyCode, UStringView AServerAddress);
    // The desktop folder, a backslash unless it ends in one, the normalised code, " Zelv Cloud.rdp".
    static UString RDPFileName(UStringView ADesktopPath, UStringView ACompanyCode);
    // The bytes on disk: each line ended by CR LF, in the workstation's ANSI code page (with the
    // UTF-8 byte-order mark when that is UTF-8), or UTF-16LE with its byte-order mark when the
    // text does not fit that code page exactly.
    static std::string RDPFileBytes(const std::vector<UString>& ALines);

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
