#include "workstation/CloudSetupWinActions.h"

#include <algorithm>
#include <memory>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"
#include "profiles/CloudSetupPlatform.h"
#include "workstation/CloudSetupWinActionsConst.h"

namespace zelv {

namespace {

constexpr char16_t InstallFolderName[] = u"ZelvCloud";
constexpr char16_t InUseNotice[] =
    u"DLL already installed but in use. Close all ZELV Cloud RDP sessions, then re-run setup.";
constexpr char16_t NotInstalled[] = u"DLL not installed — ";
constexpr char16_t TimedOut[] = u"DLL not installed — download timed out";
constexpr char16_t HashMismatch[] =
    u"DLL integrity check failed — hash mismatch. The downloaded file does not match the expected version.";
constexpr size_t CopyPieceBytes = 1048576;

UString EnvironmentValue(UStringView AName)
{
    return platform::Environment().Variable(AName).value_or(UString());
}

UString WithValueName(UStringView ATemplate, UStringView AName)
{
    UString Text(ATemplate);
    Text.replace(Text.find(u"%s"), 2, AName);
    return Text;
}

UString HexDigest(const platform::TSha256& ADigest)
{
    static constexpr char16_t Digits[] = u"0123456789abcdef";
    UString Text;
    Text.reserve(ADigest.size() * 2);
    for (unsigned char Byte : ADigest) {
        Text += Digits[Byte >> 4];
        Text += Digits[Byte & 0x0F];
    }
    return Text;
}

bool MentionsTimeOut(UStringView AFailure)
{
    UString Lower;
    try {
        Lower = platform::Locale().LowerCaseLinguistic(AFailure);
    } catch (const ECloudSetupError&) {
        // The failure being reported matters more than the system's casing of it.
        Lower = AsciiLower(AFailure);
    }
    return Lower.find(u"timeout") != UString::npos || Lower.find(u"timed out") != UString::npos;
}

// Writes the verified bytes beside the library and only then puts them in its place, so a failed
// or partial write (a full disk) never leaves a broken library where a working one was.
void InstallVerified(const UString& ALibraryPath, std::string_view ABytes)
{
    platform::IInstallFiles& Files = platform::InstallFiles();
    const UString Temporary = TWinActions::TemporaryPath(ALibraryPath);
    try {
        Files.WriteFlushed(Temporary, ABytes);
        Files.Replace(Temporary, ALibraryPath);
    } catch (...) {
        Files.Remove(Temporary);
        throw;
    }
}

std::unique_ptr<platform::IRegistryKey> OpenPolicyKey()
{
    // Some systems refuse the change-notification right of KEY_READ to a standard user on policy
    // keys; ask with less until the key opens.
    for (std::uint32_t Access : {platform::regaccess::Read, platform::regaccess::ReadWithoutNotify,
                                 platform::regaccess::QueryValue}) {
        platform::TRegistryOpen Opened =
            platform::Registry().OpenKey(platform::TRegistryHive::LocalMachine, TWinActions::PolicyKeyPath, Access);
        if (Opened.Key)
            return std::move(Opened.Key);
        if (!Opened.AccessDenied)
            break;
    }
    return nullptr;
}

// The command interpreter that runs the policy command elevated. Never a bare name: the system
// would search the current folder (typically the user's Downloads) first for a program of that name.
UString CommandInterpreter()
{
    UString ComSpec = EnvironmentValue(u"ComSpec");
    if (!ComSpec.empty())
        return ComSpec;
    UString Folder = platform::Launcher().SystemDirectory();
    if (Folder.empty())
        return UString();
    if (Folder.back() != u'\\')
        Folder += u'\\';
    return Folder + u"cmd.exe";
}

}  // namespace

UString TWinActions::GetDLLInstallPath()
{
    UString Base = EnvironmentValue(u"AllUsersProfile");
    if (IsBlank(Base))
        Base = EnvironmentValue(u"Public");
    if (IsBlank(Base))
        Base = EnvironmentValue(u"SystemDrive");
    if (IsBlank(Base))
        return UString();
    if (Base.back() != u'\\')
        Base += u'\\';
    return Base + InstallFolderName + u'\\';
}

UString TWinActions::GetDLLFileName()
{
    return IsNative64Bit() ? u"zelvcloud64.dll" : u"zelvcloud32.dll";
}

UString TWinActions::DownloadUrl(bool A64Bit)
{
    return UString(consts::AddinDownloadBase) +
           (A64Bit ? u"/downloads/zelvcloud/zelvcloud64.dll" : u"/downloads/zelvcloud/zelvcloud32.dll");
}

UString TWinActions::ExpectedDigest(bool A64Bit)
{
    return A64Bit ? consts::AddinSha256x64 : consts::AddinSha256x86;
}

bool TWinActions::MatchesDigest(std::string_view ABytes, UStringView AExpected)
{
    return HexDigest(platform::Digest().Sha256(ABytes)) == AsciiLower(AExpected);
}

UString TWinActions::TemporaryPath(const UString& ALibraryPath)
{
    return ALibraryPath + u".download";
}

bool TWinActions::DownloadDLL(const TOnProgress& AOnProgress, UString& AError)
{
    return DownloadDLL(AOnProgress, AError, TDownloadLimits());
}

bool TWinActions::DownloadDLL(const TOnProgress& AOnProgress, UString& AError, const TDownloadLimits& ALimits)
{
    AError.clear();
    const UString Folder = GetDLLInstallPath();
    if (Folder.empty()) {
        AError = u"Could not determine install path";
        return false;
    }
    platform::IInstallFiles& Files = platform::InstallFiles();
    if (!Files.DirectoryExists(Folder))
        Files.CreateDirectories(Folder);

    const bool Is64Bit = IsNative64Bit();
    const UString FileName = GetDLLFileName();
    const UString LibraryPath = Folder + FileName;

    // A library the remote-desktop client has loaded cannot be replaced; it stays as it is.
    if (Files.FileExists(LibraryPath) && !Files.CanOpenExclusively(LibraryPath)) {
        AError = InUseNotice;
        return true;
    }

    if (AOnProgress)
        AOnProgress(u"Downloading " + FileName + u"...", 10);

    platform::THttpRequest Request;
    Request.Method = u"GET";
    Request.Url = DownloadUrl(Is64Bit);
    Request.ResolveTimeoutMs = ALimits.ResolveTimeoutMs;
    Request.ConnectTimeoutMs = ALimits.ConnectTimeoutMs;
    Request.ReceiveTimeoutMs = ALimits.ReceiveTimeoutMs;
    Request.ReceiveResponseTimeoutMs = ALimits.ReceiveResponseTimeoutMs;
    Request.MaxRedirects = ALimits.MaxRedirects;

    platform::THttpResponse Response;
    try {
        Response = platform::Http().Send(Request);
    } catch (const ECloudSetupError& E) {
        AError = MentionsTimeOut(E.Message()) ? UString(TimedOut) : NotInstalled + E.Message();
        return false;
    }
    if (Response.StatusCode != 200) {
        AError = UString(u"DLL not installed — server returned ") + IntToUStr(Response.StatusCode);
        return false;
    }

    std::string Bytes;
    Bytes.reserve(Response.Body.size());
    for (size_t Offset = 0; Offset < Response.Body.size(); Offset += CopyPieceBytes)
        Bytes.append(Response.Body, Offset, std::min(CopyPieceBytes, Response.Body.size() - Offset));
    Response.Body.clear();

    if (!MatchesDigest(Bytes, ExpectedDigest(Is64Bit))) {
        AError = HashMismatch;
        return false;
    }

    try {
        InstallVerified(LibraryPath, Bytes);
    } catch (const ECloudSetupError& E) {
        AError = u"DLL not installed — could not write file: " + E.Message();
        return false;
    }

    if (AOnProgress)
        AOnProgress(u"Download complete", 100);
    return true;
}

bool TWinActions::RegisterDLLInRegistry()
{
    const UString LibraryPath = GetDLLInstallPath() + GetDLLFileName();
    std::unique_ptr<platform::IRegistryKey> Key =
        platform::Registry().CreateKey(platform::TRegistryHive::CurrentUser, AddinKeyPath, platform::regaccess::Write);
    if (!Key)
        return false;
    if (!Key->SetString(AddinValueName, LibraryPath))
        throw ECloudSetupError(WithValueName(u"Failed to set data for '%s'", AddinValueName));
    return true;
}

bool TWinActions::IsUDPDisabled()
{
    std::unique_ptr<platform::IRegistryKey> Key = OpenPolicyKey();
    if (!Key || !Key->ValueExists(PolicyValueName))
        return false;

    platform::TRegistryRead Value = Key->Read(PolicyValueName, 4);
    if (Value.Status != platform::TRegistryRead::TStatus::Read || Value.Size > 4)
        throw ECloudSetupError(WithValueName(u"Failed to get data for '%s'", PolicyValueName));
    // The system hands a one-character string "1" over as four bytes that read as 49: the type
    // decides, never the bytes alone.
    if (Value.Type != platform::regtype::DWord && Value.Type != platform::regtype::DWordBigEndian)
        throw ECloudSetupError(WithValueName(u"Invalid data type for '%s'", PolicyValueName));

    std::uint32_t Number = 0;
    for (size_t Index = 0; Index < std::min<size_t>(Value.Data.size(), 4); ++Index)
        Number |= static_cast<std::uint32_t>(Value.Data[Index]) << (8 * Index);
    return Number == 1;
}

bool TWinActions::DisableUDP()
{
    if (IsUDPDisabled())
        return true;

    platform::TShellExecuteRequest Request;
    Request.Mask = platform::SeeMaskNoCloseProcess;
    Request.Verb = u"runas";
    Request.File = CommandInterpreter();
    if (Request.File.empty())
        return false;
    Request.Parameters = PolicyCommandParameters;
    Request.Show = platform::ShowHide;

    platform::TShellExecuteResult Launched = platform::Launcher().Execute(Request);
    if (!Launched.Started)
        return false;
    if (Launched.Process) {
        Launched.Process->Wait(PolicyCommandWaitMs);
        Launched.Process.reset();
    }
    return IsUDPDisabled();
}

}  // namespace zelv
