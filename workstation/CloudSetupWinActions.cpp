#include "workstation/CloudSetupWinActions.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <type_traits>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"
#include "profiles/CloudSetupPlatform.h"
#include "workstation/CloudSetupFolderSafety.h"
#include "workstation/CloudSetupInstallFolder.h"
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

// The expected digest is written in hex digits of either case.
bool IsExpectedDigest(const platform::TSha256& ADigest, UStringView AExpected)
{
    return HexDigest(ADigest) == AsciiLower(AExpected);
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

// Built by appending: GCC 12's -Wrestrict misreads a literal + temporary string here.
UString Quoted(UStringView APath)
{
    UString Text;
    Text.reserve(APath.size() + 2);
    Text += u'"';
    Text += APath;
    Text += u'"';
    return Text;
}

UString InUseNotOursText(UStringView APath)
{
    return NotInstalled + (u"the file " + Quoted(APath)) +
           u" is in use and is not a verified copy of the add-in. Close all ZELV Cloud RDP sessions, then re-run setup.";
}

UString NotReplaceableText(UStringView APath)
{
    return NotInstalled + (u"the file " + Quoted(APath)) +
           u" was not installed by this setup and this user cannot replace it. An administrator must remove it, then re-run setup.";
}

UString CannotReplaceText(UStringView APath)
{
    return NotInstalled + (u"the file " + Quoted(APath)) + u" cannot be replaced and is not a verified copy of the add-in.";
}

UString FolderRefusedText(UStringView AFolder)
{
    return NotInstalled + (u"the folder " + Quoted(AFolder)) +
           u" can be changed by another account. An administrator must remove the folder or restrict who may change it, then re-run setup."
           u" If the folder is your own, close all ZELV Cloud RDP sessions, then re-run setup.";
}

UString InUseNotSafeText(UStringView APath)
{
    return NotInstalled + (u"the file " + Quoted(APath)) +
           u" is in use and can be changed by another account. Close all ZELV Cloud RDP sessions, then re-run setup.";
}

UString RegistrationRemovedNote(UStringView ALibrary)
{
    return u"The add-in registration for " + Quoted(ALibrary) +
           u" was removed, so the remote-desktop client no longer loads a library from that folder";
}

// The text of a REG_SZ value's data, up to its first NUL.
UString StringData(const std::vector<unsigned char>& AData)
{
    UString Text;
    for (size_t Index = 0; Index + 1 < AData.size(); Index += 2) {
        const char16_t Unit = static_cast<char16_t>(AData[Index] | (AData[Index + 1] << 8));
        if (Unit == 0)
            break;
        Text += Unit;
    }
    return Text;
}

// The program's own registration that points the client into a refused folder goes: the client
// would otherwise go on loading whatever another account puts there. Nothing else under the
// client's add-in key is touched.
void ForgetRegistrationIn(const UString& AFolder, std::vector<UString>& ANotes)
{
    platform::TRegistryOpen Opened =
        platform::Registry().OpenKey(platform::TRegistryHive::CurrentUser, TWinActions::AddinKeyPath,
                                     platform::regaccess::QueryValue | platform::regaccess::SetValue);
    if (!Opened.Key)
        return;
    // A path is at most 32,767 characters.
    const platform::TRegistryRead Value = Opened.Key->Read(TWinActions::AddinValueName, 65536);
    if (Value.Status != platform::TRegistryRead::TStatus::Read ||
        (Value.Type != platform::regtype::String && Value.Type != platform::regtype::ExpandString))
        return;
    const UString Library = StringData(Value.Data);
    const size_t Separator = Library.find_last_of(u"\\/");
    if (Separator == UString::npos || AsciiLower(Library.substr(0, Separator + 1)) != AsciiLower(AFolder))
        return;
    if (Opened.Key->DeleteValue(TWinActions::AddinValueName))
        ANotes.push_back(RegistrationRemovedNote(Library));
}

// Whether the file at APath holds the expected library, read as a loaded library lets it be read,
// with the owner and access of the very file read. A file that cannot be read is not known to be
// ours.
bool HoldsExpectedLibrary(const UString& APath, UStringView AExpected, platform::TFolderSecurity& ASecurity)
{
    try {
        std::unique_ptr<platform::ISha256Hash> Hash = platform::Digest().NewSha256();
        ASecurity = platform::InstallFiles().ReadShared(APath, [&](std::string_view APiece) { Hash->Add(APiece); });
        return IsExpectedDigest(Hash->Finish(), AExpected);
    } catch (...) {
        return false;
    }
}

// Receives the library into a temporary file beside it while hashing it, so its size never
// matters to memory. Only a 200 answer is taken; any other keeps its status and no file is made.
class TLibraryDownload : public platform::IHttpBodySink {
public:
    explicit TLibraryDownload(UString ATemporary) : FTemporary(std::move(ATemporary)) {}
    ~TLibraryDownload() override { Discard(); }
    TLibraryDownload(const TLibraryDownload&) = delete;
    TLibraryDownload& operator=(const TLibraryDownload&) = delete;

    bool Begin(const platform::THttpResponse& AHead) override
    {
        if (AHead.StatusCode != 200)
            return false;
        FHash = platform::Digest().NewSha256();
        // Always a file of this run's own: one left here before, by anyone, goes first, and the
        // create fails on a name that is still (or again) taken. A file that was already there
        // would keep its owner and access, and carry them into the library's place.
        platform::IInstallFiles& Files = platform::InstallFiles();
        if (Files.FileExists(FTemporary))
            Files.Remove(FTemporary);
        FFile = OnDisk([&] { return Files.CreateNew(FTemporary); });
        FCreated = true;
        return true;
    }

    void Write(std::string_view APiece) override
    {
        FHash->Add(APiece);
        OnDisk([&] {
            FFile->Write(APiece);
            return 0;
        });
    }

    // The digest of everything received (of nothing, when the body was empty), with the file
    // flushed and closed.
    platform::TSha256 FinishDigest()
    {
        if (!FHash)
            FHash = platform::Digest().NewSha256();
        if (FFile) {
            OnDisk([&] {
                FFile->Flush();
                return 0;
            });
            FFile.reset();
        }
        return FHash->Finish();
    }

    // Puts the received library in the place of the old one.
    void Install(const UString& ALibraryPath)
    {
        OnDisk([&] {
            platform::InstallFiles().Replace(FTemporary, ALibraryPath);
            return 0;
        });
        FCreated = false;
    }

    // The file layer's failure, when the file is what failed.
    const std::optional<UString>& DiskFailure() const { return FDiskFailure; }

private:
    template <class Call>
    std::invoke_result_t<Call> OnDisk(Call ACall)
    {
        try {
            return ACall();
        } catch (const ECloudSetupError& E) {
            FDiskFailure = E.Message();
            throw;
        }
    }

    void Discard()
    {
        FFile.reset();
        if (FCreated)
            platform::InstallFiles().Remove(FTemporary);
    }

    UString FTemporary;
    std::unique_ptr<platform::ISha256Hash> FHash;
    std::unique_ptr<platform::IInstallFile> FFile;
    bool FCreated = false;
    std::optional<UString> FDiskFailure;
};

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

// The command interpreter that runs the policy command elevated: always the system's own, by its
// full path. ComSpec is no choice here, as any program of the user can set it; a bare name would be
// searched for in the current folder (typically the user's Downloads) first.
UString CommandInterpreter()
{
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
    return IsExpectedDigest(platform::Digest().Sha256(ABytes), AExpected);
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
    TInstallRun Run;
    return DownloadDLL(AOnProgress, AError, ALimits, Run);
}

std::vector<UString> TWinActions::OwnFileNames()
{
    return {u"zelvcloud64.dll", u"zelvcloud32.dll", TemporaryPath(u"zelvcloud64.dll"), TemporaryPath(u"zelvcloud32.dll")};
}

platform::TFolderAccess TWinActions::InstallFolderAccess()
{
    using platform::TFolderRights;
    using platform::TTrustee;
    return {{TTrustee::LocalSystem, TFolderRights::FullControl},
            {TTrustee::Administrators, TFolderRights::FullControl},
            {TTrustee::CurrentUser, TFolderRights::Modify},
            {TTrustee::Users, TFolderRights::ReadAndExecute}};
}

bool TWinActions::DownloadDLL(const TOnProgress& AOnProgress, UString& AError, const TDownloadLimits& ALimits,
                              TInstallRun& ARun)
{
    AError.clear();
    ARun.Folder.reset();
    const UString Folder = GetDLLInstallPath();
    if (Folder.empty()) {
        AError = u"Could not determine install path";
        return false;
    }
    platform::IInstallFiles& Files = platform::InstallFiles();
    // ProgramData lets every user add folders: ours gets access of its own. The user's
    // remote-desktop client will load what lies in it, so a folder that is already there is used
    // only when no other account can change it, and so is one another user made just before this
    // one would have.
    if (!Files.DirectoryExists(Folder))
        Files.CreateDirectories(Folder, InstallFolderAccess());
    std::unique_ptr<platform::IHeldFolder> Held;
    try {
        Held = TInstallFolder::Take(Folder, InstallFolderAccess(), OwnFileNames(), ARun.Notes);
    } catch (const ECloudSetupError&) {
        // A folder whose access cannot be read is not known to be safe.
    }
    if (!Held) {
        AError = FolderRefusedText(Folder);
        ForgetRegistrationIn(Folder, ARun.Notes);
        return false;
    }
    // From here to the registration the folder is held: no one can rename or delete it, so its
    // path still names the folder judged, and the steps inside it go by path.

    const bool Is64Bit = IsNative64Bit();
    const UString FileName = GetDLLFileName();
    const UString LibraryPath = Folder + FileName;
    const UString Expected = ExpectedDigest(Is64Bit);

    // A library the remote-desktop client has loaded cannot be replaced; it stays as it is, but
    // only a copy of the expected library counts as installed. Anyone may have put a file there.
    if (Files.FileExists(LibraryPath)) {
        const platform::TExclusiveOpen Open = Files.OpenExclusively(LibraryPath);
        if (Open != platform::TExclusiveOpen::Opened) {
            platform::TFolderSecurity Library;
            if (HoldsExpectedLibrary(LibraryPath, Expected, Library)) {
                // Its bytes are right today; only a file no other account may change stays so.
                if (!IsFileSafe(Library, Files.UserSid())) {
                    AError = InUseNotSafeText(LibraryPath);
                    return false;
                }
                AError = InUseNotice;
                ARun.Folder = std::move(Held);
                return true;
            }
            switch (Open) {
            case platform::TExclusiveOpen::SharingViolation: AError = InUseNotOursText(LibraryPath); break;
            case platform::TExclusiveOpen::AccessDenied: AError = NotReplaceableText(LibraryPath); break;
            default: AError = CannotReplaceText(LibraryPath); break;
            }
            return false;
        }
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
    Request.DeadlineMs = ALimits.DeadlineMs;
    Request.MaxBodyBytes = ALimits.MaxBytes;

    // Every way out removes the temporary file unless it took the library's place; the old
    // library is touched only by that last step.
    TLibraryDownload Download(TemporaryPath(LibraryPath));
    try {
        platform::THttpResponse Response = platform::Http().Send(Request, &Download);
        if (Response.StatusCode != 200) {
            AError = UString(u"DLL not installed — server returned ") + IntToUStr(Response.StatusCode);
            return false;
        }
        if (!IsExpectedDigest(Download.FinishDigest(), Expected)) {
            AError = HashMismatch;
            return false;
        }
        Download.Install(LibraryPath);
    } catch (...) {
        const UString Failure = CaughtFailureText();
        if (Download.DiskFailure())
            AError = u"DLL not installed — could not write file: " + *Download.DiskFailure();
        else
            AError = MentionsTimeOut(Failure) ? UString(TimedOut) : NotInstalled + Failure;
        return false;
    }

    if (AOnProgress)
        AOnProgress(u"Download complete", 100);
    ARun.Folder = std::move(Held);
    return true;
}

bool TWinActions::RegisterDLLInRegistry() { return WriteRegistration(GetDLLInstallPath() + GetDLLFileName()); }

bool TWinActions::RegisterDLLInRegistry(const TInstallRun& ARun)
{
    // Written while the folder is still held, so the path names the folder the library went into.
    if (!ARun.Folder)
        return false;
    return WriteRegistration(ARun.Folder->Path() + GetDLLFileName());
}

bool TWinActions::WriteRegistration(const UString& ALibraryPath)
{
    std::unique_ptr<platform::IRegistryKey> Key =
        platform::Registry().CreateKey(platform::TRegistryHive::CurrentUser, AddinKeyPath, platform::regaccess::Write);
    if (!Key)
        return false;
    if (!Key->SetString(AddinValueName, ALibraryPath))
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
