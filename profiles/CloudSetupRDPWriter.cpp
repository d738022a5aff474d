#include "profiles/CloudSetupRDPWriter.h"

#include <memory>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"
#include "profiles/CloudSetupPlatform.h"
#include "service/CloudSetupConst.h"

namespace zelv {

namespace {

constexpr char16_t InHouseCode[] = u"HQV";
constexpr char16_t InHouseAccount[] = u"zelvinc\\zelvoverwebhqv";
constexpr char16_t GatewayAccount[] = u"zelvcloud\\zelv";
constexpr char16_t AccountInfix[] = u"\\zelv-";
constexpr char16_t ProgramFolderPrefix[] = u"M:\\Data\\Zelv\\";
constexpr char16_t ProgramFolderSuffix[] = u"\\Present\\";

constexpr char16_t ProgramFile[] = u"zelv.exe";
constexpr char16_t FileNameSuffix[] = u" Zelv Cloud.rdp";
// The file being written, named after the connection file it will become: a run that ended before
// putting it in place left it, and the next writing of that connection file takes it over.
constexpr char16_t PartialFileSuffix[] = u".partial";
constexpr char Utf8ByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char Utf16LEByteOrderMark[] = "\xFF\xFE";

bool UsesAlternateGateway(const UString& ANormalizedCode)
{
    return ANormalizedCode == u"HQV" || ANormalizedCode == u"VOD" || ANormalizedCode == u"DEZ";
}

UString Flag(bool AValue) { return AValue ? u"1" : u"0"; }

bool IsControl(char16_t AChar) { return AChar < 0x20; }

// Characters that no Windows file name may hold. A separator or a colon in the code would also
// move the file out of the desktop folder (..\..\somewhere, C:\elsewhere, an alternate stream).
bool IsForbiddenInFileName(char16_t AChar)
{
    switch (AChar) {
    case u'\\':
    case u'/':
    case u':':
    case u'*':
    case u'?':
    case u'"':
    case u'<':
    case u'>':
    case u'|':
        return true;
    default:
        return IsControl(AChar);
    }
}

// The text for a message, with control characters made visible.
UString Shown(UStringView AText)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    UString Result;
    for (char16_t C : AText) {
        if (IsControl(C)) {
            Result += u"[U+00";
            Result += static_cast<char16_t>(Hex[C >> 4]);
            Result += static_cast<char16_t>(Hex[C & 0xF]);
            Result += u']';
        } else {
            Result += C;
        }
    }
    return Result;
}

void RefuseUnsafeCode(const UString& ANormalizedCode)
{
    for (char16_t C : ANormalizedCode)
        if (IsForbiddenInFileName(C))
            throw ECloudSetupError(u"The company code \"" + Shown(ANormalizedCode) +
                                   u"\" cannot name a connection file: it holds a character that file names "
                                   u"may not hold (\\ / : * ? \" < > | or a control character)");
}

// A line break or other control character in the address would end its line early and let the
// rest of the address set further settings of the file (another start program, drive
// redirection). A tab is harmless and stays.
void RefuseUnsafeAddress(const UString& ANormalizedCode, const UString& AEffectiveAddress)
{
    for (char16_t C : AEffectiveAddress)
        if (IsControl(C) && C != u'\t')
            throw ECloudSetupError(u"The server address of company \"" + ANormalizedCode +
                                   u"\" holds a control character (" + Shown(UString(1, C)) +
                                   u") that would break the connection file");
}

// The system's text for a failure, trimmed; the code itself when the system has no text for it.
UString Reason(const platform::TSystemError& AError)
{
    UString Text = TrimSystemText(AError.Text);
    if (Text.empty())
        return u"System error " + IntToUStr(static_cast<long long>(AError.Code));
    return Text;
}

ECloudSetupError CannotCreate(platform::IFileWriter& AFiles, const UString& AFileName,
                              const platform::TSystemError& AError)
{
    return ECloudSetupError(u"Cannot create file \"" + AFiles.FullPath(AFileName) + u"\". " + Reason(AError));
}

std::string Utf16LEBytes(const UString& AText)
{
    std::string Bytes(Utf16LEByteOrderMark);
    Bytes.reserve(Bytes.size() + 2 * AText.size());
    for (char16_t C : AText) {
        Bytes += static_cast<char>(C & 0xFF);
        Bytes += static_cast<char>(C >> 8);
    }
    return Bytes;
}

}  // namespace

UString TRDPWriter::NormalizedCode(UStringView ACompanyCode)
{
    return AsciiUpper(Trim(ACompanyCode));
}

UString TRDPWriter::EffectiveServerAddress(UStringView ACompanyCode, UStringView AServerAddress)
{
    // The in-house company always reaches its own server, whatever the service sends for it.
    if (NormalizedCode(ACompanyCode) == InHouseCode)
        return consts::InHouseServerHost;
    return UString(AServerAddress);
}

bool TRDPWriter::NeedsGateway(UStringView AServerAddress)
{
    if (IsBlank(AServerAddress))
        return false;
    // Lower-cased by the user's locale, untrimmed; a plain substring test, as the service's own
    // addresses may carry the domain anywhere.
    UString Lower = platform::Locale().LowerCaseLinguistic(AServerAddress);
    return Lower.find(consts::CloudDomain) == UString::npos;
}

UString TRDPWriter::GetGatewayHost(UStringView ACompanyCode)
{
    return UsesAlternateGateway(NormalizedCode(ACompanyCode)) ? consts::AlternateGatewayHost
                                                               : consts::DefaultGatewayHost;
}

UString TRDPWriter::GetRDPUserName(UStringView ACompanyCode, UStringView AServerAddress)
{
    UString Code = NormalizedCode(ACompanyCode);
    if (Code == InHouseCode)
        return InHouseAccount;
    if (NeedsGateway(AServerAddress))
        return GatewayAccount;
    return Code + AccountInfix + CompanyCodeToDigits(Code);
}

UString TRDPWriter::CompanyCodeToDigits(UStringView ACode)
{
    UString Result;
    for (char16_t Unit : ACode)
        Result += IntToUStr(Unit);
    return Result;
}

UString TRDPWriter::GetWorkingDirectory(UStringView ACompanyCode)
{
    return ProgramFolderPrefix + NormalizedCode(ACompanyCode) + ProgramFolderSuffix;
}

std::vector<UString> TRDPWriter::BuildRDPLines(UStringView ACompanyCode, UStringView AServerAddress)
{
    const UString Address = EffectiveServerAddress(ACompanyCode, AServerAddress);
    const bool Gateway = NeedsGateway(Address);
    int32_t Width = 0;
    int32_t Height = 0;
    GetScreenResolution(Width, Height);
    const UString WorkingDirectory = GetWorkingDirectory(ACompanyCode);
    const UString WidthText = IntToUStr(Width);
    const UString HeightText = IntToUStr(Height);

    std::vector<UString> Lines;
    Lines.reserve(50);
    Lines.push_back(u"allow desktop composition:i:0");
    Lines.push_back(u"allow font smoothing:i:0");
    Lines.push_back(u"alternate shell:s:" + (Gateway ? WorkingDirectory + ProgramFile : UString()));
    Lines.push_back(u"audiocapturemode:i:0");
    Lines.push_back(u"audiomode:i:0");
    Lines.push_back(Gateway ? u"authentication level:i:2" : u"authentication level:i:0");
    Lines.push_back(u"autoreconnection enabled:i:1");
    Lines.push_back(u"bitmapcachepersistenable:i:1");
    Lines.push_back(u"compression:i:1");
    Lines.push_back(u"connection type:i:7");
    Lines.push_back(u"desktopheight:i:" + HeightText);
    Lines.push_back(u"desktopwidth:i:" + WidthText);
    Lines.push_back(u"disable cursor setting:i:0");
    Lines.push_back(u"disable full window drag:i:1");
    Lines.push_back(u"disable menu anims:i:1");
    Lines.push_back(u"disable themes:i:1");
    Lines.push_back(u"disable wallpaper:i:1");
    Lines.push_back(u"displayconnectionbar:i:1");
    Lines.push_back(u"enablecredsspsupport:i:" + Flag(Gateway));
    Lines.push_back(u"full address:s:" + Address);
    Lines.push_back(u"gatewaycredentialssource:i:4");
    Lines.push_back(u"gatewayhostname:s:" + (Gateway ? GetGatewayHost(ACompanyCode) : UString()));
    Lines.push_back(u"gatewayprofileusagemethod:i:" + Flag(Gateway));
    Lines.push_back(Gateway ? u"gatewayusagemethod:i:2" : u"gatewayusagemethod:i:4");
    Lines.push_back(u"keyboardhook:i:2");
    Lines.push_back(u"negotiate security layer:i:1");
    Lines.push_back(u"prompt for credentials:i:0");
    Lines.push_back(u"promptcredentialonce:i:1");
    Lines.push_back(u"redirectclipboard:i:1");
    Lines.push_back(u"redirectcomports:i:0");
    Lines.push_back(u"redirectdirectx:i:0");
    Lines.push_back(u"redirectdrives:i:0");
    Lines.push_back(u"redirectposdevices:i:0");
    Lines.push_back(u"redirectprinters:i:0");
    Lines.push_back(u"redirectsmartcards:i:0");
    Lines.push_back(u"remoteapplicationmode:i:0");
    Lines.push_back(u"screen mode id:i:1");
    Lines.push_back(u"session bpp:i:16");
    Lines.push_back(u"shell working directory:s:" +
                    (Gateway ? WorkingDirectory.substr(0, WorkingDirectory.size() - 1) : UString()));
    Lines.push_back(u"use multimon:i:0");
    Lines.push_back(u"use redirection server name:i:0");
    Lines.push_back(u"username:s:" + GetRDPUserName(ACompanyCode, Address));
    Lines.push_back(u"videoplaybackmode:i:1");
    Lines.push_back(u"winposstr:s:0,3,0,0," + WidthText + u"," + HeightText);
    Lines.push_back(u"networkautodetect:i:1");
    Lines.push_back(u"bandwidthautodetect:i:1");
    Lines.push_back(u"enableworkspacereconnect:i:0");
    Lines.push_back(u"gatewaybrokingtype:i:0");
    Lines.push_back(u"rdgiskdcproxy:i:0");
    Lines.push_back(u"kdcproxyname:s:");
    return Lines;
}

UString TRDPWriter::RDPFileName(UStringView ADesktopPath, UStringView ACompanyCode)
{
    UString Name(ADesktopPath);
    // Only a backslash counts as a separator already there.
    if (Name.empty() || Name.back() != u'\\')
        Name += u'\\';
    return Name + NormalizedCode(ACompanyCode) + FileNameSuffix;
}

std::string TRDPWriter::RDPFileBytes(const std::vector<UString>& ALines)
{
    UString Text;
    for (const UString& Line : ALines) {
        Text += Line;
        Text += u"\r\n";
    }
    platform::ICodePage& CodePage = platform::CodePage();
    const unsigned Ansi = CodePage.AnsiCodePage();
    // Best-fit letters or question marks would quietly turn an address or an account into
    // another one; such a file is written in the client's own UTF-16 instead.
    if (!CodePage.RepresentsExactly(Ansi, Text))
        return Utf16LEBytes(Text);
    std::string Bytes = Ansi == platform::CodePageUtf8 ? Utf8ByteOrderMark : "";
    Bytes += CodePage.FromUnicode(Ansi, Text);
    return Bytes;
}

UString TRDPWriter::WriteRDPFile(UStringView ADesktopPath, UStringView ACompanyCode, UStringView AServerAddress)
{
    const UString Code = NormalizedCode(ACompanyCode);
    RefuseUnsafeCode(Code);
    RefuseUnsafeAddress(Code, EffectiveServerAddress(ACompanyCode, AServerAddress));
    const UString FileName = RDPFileName(ADesktopPath, ACompanyCode);
    // Everything that can fail before the disk is touched comes first, so such a failure leaves
    // an existing file as it was.
    const std::string Bytes = RDPFileBytes(BuildRDPLines(ACompanyCode, AServerAddress));

    // The new text goes into a file of its own beside the old one, and replaces it only once it is
    // whole and on the disk: a full disk, a refused rename or a crash leaves the earlier file as
    // it was, and no half-written file under the company's name.
    platform::IFileWriter& Files = platform::FileWriter();
    platform::TSystemError Error;
    std::unique_ptr<platform::IWrittenFile> File = Files.CreateExclusive(FileName + PartialFileSuffix, Error);
    if (!File)
        throw CannotCreate(Files, Error.NameInTheWay ? FileName + PartialFileSuffix : FileName, Error);
    if (!File->Write(Bytes, Error) || !File->Flush(Error)) {
        if (Error.Code == 0)
            throw ECloudSetupError(u"Stream write error");
        throw ECloudSetupError(u"Stream write error: " + Reason(Error));
    }
    if (!File->PutInPlace(FileName, Error))
        throw CannotCreate(Files, FileName, Error);
    return FileName;
}

}  // namespace zelv
