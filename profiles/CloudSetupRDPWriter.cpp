#include "profiles/CloudSetupRDPWriter.h"

#include "platform/Platform.h"
#include "service/CloudSetupConst.h"

namespace zelv {

namespace {

constexpr char16_t InHouseCode[] = u"HQV";
constexpr char16_t InHouseAccount[] = u"zelvinc\\zelvoverwebhqv";
constexpr char16_t GatewayAccount[] = u"zelvcloud\\zelv";
constexpr char16_t AccountInfix[] = u"\\zelv-";
constexpr char16_t ProgramFolderPrefix[] = u"M:\\Data\\Zelv\\";
constexpr char16_t ProgramFolderSuffix[] = u"\\Present\\";

bool UsesAlternateGateway(const UString& ANormalizedCode)
{
    return ANormalizedCode == u"HQV" || ANormalizedCode == u"VOD" || ANormalizedCode == u"DEZ";
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

}  // namespace zelv
