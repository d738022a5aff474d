#include "core/CloudSetupText.h"

#include <cstdio>

namespace zelv {

namespace {
bool IsTrimmed(char16_t AChar) { return AChar <= u' '; }
}  // namespace

UString Trim(UStringView AText)
{
    size_t First = 0;
    size_t Last = AText.size();
    while (First < Last && IsTrimmed(AText[First]))
        ++First;
    while (Last > First && IsTrimmed(AText[Last - 1]))
        --Last;
    return UString(AText.substr(First, Last - First));
}

bool IsBlank(UStringView AText)
{
    for (char16_t C : AText)
        if (!IsTrimmed(C))
            return false;
    return true;
}

UString AsciiUpper(UStringView AText)
{
    UString Result(AText);
    for (char16_t& C : Result)
        if (C >= u'a' && C <= u'z')
            C = static_cast<char16_t>(C - u'a' + u'A');
    return Result;
}

UString AsciiLower(UStringView AText)
{
    UString Result(AText);
    for (char16_t& C : Result)
        if (C >= u'A' && C <= u'Z')
            C = static_cast<char16_t>(C - u'A' + u'a');
    return Result;
}

UString IntToUStr(long long AValue)
{
    return AsciiToU(std::to_string(AValue));
}

std::string DebugUtf8(UStringView AText)
{
    std::string Result;
    for (char16_t C : AText) {
        if (C < 0x80) {
            Result += static_cast<char>(C);
        } else {
            char Buffer[8];
            std::snprintf(Buffer, sizeof Buffer, "\\u%04X", static_cast<unsigned>(C));
            Result += Buffer;
        }
    }
    return Result;
}

UString AsciiToU(std::string_view AText)
{
    UString Result;
    Result.reserve(AText.size());
    for (char C : AText)
        Result += static_cast<char16_t>(static_cast<unsigned char>(C));
    return Result;
}

}  // namespace zelv
