#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "core/CloudSetupText.h"
#include "platform/IInstallFiles.h"
#include "workstation/CloudSetupInstallFolder.h"
#include "workstation/CloudSetupWinActionsConst.h"

namespace zelv {

// Progress of a download: a status text and a whole-number percentage (0 to 100). Empty: no progress.
using TOnProgress = std::function<void(const UString& AStatus, int APercent)>;

// How long the download may wait, how much it takes and how many redirects it follows. The setup
// run keeps the defaults; tests pass short time-outs.
struct TDownloadLimits {
    int ResolveTimeoutMs = 15000;
    int ConnectTimeoutMs = 15000;
    int ReceiveTimeoutMs = 60000;
    int ReceiveResponseTimeoutMs = 60000;
    int MaxRedirects = 5;
    // The whole download, from the request to its last byte.
    int DeadlineMs = 600000;
    size_t MaxBytes = static_cast<size_t>(consts::AddinMaxBytes);
};

// Installs the service's client add-in, registers it for the user's remote-desktop client and
// sets the client's UDP policy. Holds no state; never instantiated.
class TWinActions {
public:
    TWinActions() = delete;

    // The machine-wide install folder, ending in a backslash; empty when no base folder is known.
    static UString GetDLLInstallPath();
    // The library of the machine's native architecture: "zelvcloud64.dll" or "zelvcloud32.dll".
    static UString GetDLLFileName();

    // Downloads, verifies and installs the library. True with an empty AError when it was
    // installed, true with a notice in AError when an installed copy that matches the expected
    // digest is in use and stays, false with the reason in AError otherwise: true always means a
    // verified library is at the path. An install folder another account can change is not used
    // (false), and a registration naming a library in it is removed; the user's own such folder
    // is set aside and replaced by a new one. A failure to create the install folder is raised.
    static bool DownloadDLL(const TOnProgress& AOnProgress, UString& AError);
    static bool DownloadDLL(const TOnProgress& AOnProgress, UString& AError, const TDownloadLimits& ALimits);
    // As above, for a run that registers the library next: on true, ARun holds the install folder
    // until the registration is written. ARun's notes name what the install set aside, or the
    // registration it removed when the folder was refused.
    static bool DownloadDLL(const TOnProgress& AOnProgress, UString& AError, const TDownloadLimits& ALimits,
                            TInstallRun& ARun);

    // Points the user's remote-desktop client at the installed library. False when the add-in key
    // cannot be opened; raises when the value cannot be written.
    static bool RegisterDLLInRegistry();
    // Names the library in the folder ARun holds; false when it holds none.
    static bool RegisterDLLInRegistry(const TInstallRun& ARun);
    // True only when the policy value exists and reads as the integer 1. Raises for a value of
    // another type or size.
    static bool IsUDPDisabled();
    // Makes sure the policy is set, starting one elevated command when it is not.
    static bool DisableUDP();

    // Fixed names the tests and the setup run's log share.
    static constexpr char16_t AddinKeyPath[] = u"Software\\Microsoft\\Terminal Server Client\\Default\\Addins\\zelvcloud";
    static constexpr char16_t AddinValueName[] = u"Name";
    static constexpr char16_t PolicyKeyPath[] = u"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Terminal Services\\Client";
    static constexpr char16_t PolicyValueName[] = u"fClientDisableUDP";
    static constexpr char16_t PolicyCommandParameters[] =
        u"/c reg add \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Microsoft\\Windows NT\\Terminal Services\\Client\""
        u" /v fClientDisableUDP /t REG_DWORD /d 1 /f";
    static constexpr unsigned long PolicyCommandWaitMs = 30000;

    // The URL the library of that flavour is downloaded from, and its expected digest.
    static UString DownloadUrl(bool A64Bit);
    static UString ExpectedDigest(bool A64Bit);
    // Whether the bytes' SHA-256 equals the expected digest, hex digits compared without regard to case.
    static bool MatchesDigest(std::string_view ABytes, UStringView AExpected);
    // Who may do what in the install folder when the program creates it: other users may read and
    // run the library but never put a file of their own there.
    static platform::TFolderAccess InstallFolderAccess();
    // The file the verified download is written to before it takes the library's place.
    static UString TemporaryPath(const UString& ALibraryPath);
    // The names of the files the program puts into the install folder.
    static std::vector<UString> OwnFileNames();

private:
    static bool WriteRegistration(const UString& ALibraryPath);
};

}  // namespace zelv
