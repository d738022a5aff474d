#include "platform/posix/IconvCodePage.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

#include "core/CloudSetupError.h"

namespace zelv::posix {

namespace {

std::string IconvName(unsigned ACodePage)
{
    if (ACodePage == platform::CodePageUtf8)
        return "UTF-8";
    if (ACodePage == 28591)
        return "ISO-8859-1";
    return "CP" + std::to_string(ACodePage);
}

struct TIconvCloser {
    void operator()(void* AHandle) const { iconv_close(static_cast<iconv_t>(AHandle)); }
};
using UniqueIconv = std::unique_ptr<void, TIconvCloser>;

UniqueIconv Open(const std::string& ATo, const std::string& AFrom)
{
    iconv_t Handle = iconv_open(ATo.c_str(), AFrom.c_str());
    if (Handle == reinterpret_cast<iconv_t>(-1))
        throw ECloudSetupError(u"No conversion for code page " + AsciiToU(AFrom + " -> " + ATo));
    return UniqueIconv(Handle);
}

// Converts, replacing each unconvertible input unit of AUnit bytes by AReplacement. Returns false
// through AExact when anything was replaced.
std::string Convert(const UniqueIconv& AHandle, std::string_view AInput, size_t AUnit,
                    std::string_view AReplacement, bool* AExact)
{
    std::string Output;
    char Buffer[4096];
    char* In = const_cast<char*>(AInput.data());
    size_t InLeft = AInput.size();
    while (true) {
        char* Out = Buffer;
        size_t OutLeft = sizeof Buffer;
        size_t Rc = InLeft ? iconv(static_cast<iconv_t>(AHandle.get()), &In, &InLeft, &Out, &OutLeft)
                           : iconv(static_cast<iconv_t>(AHandle.get()), nullptr, nullptr, &Out, &OutLeft);
        Output.append(Buffer, static_cast<size_t>(Out - Buffer));
        if (Rc != static_cast<size_t>(-1)) {
            if (InLeft == 0)
                break;
            continue;
        }
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL: an input unit that the target can't hold, or a truncated sequence.
        if (AExact)
            *AExact = false;
        Output += AReplacement;
        size_t Skip = InLeft < AUnit ? InLeft : AUnit;
        In += Skip;
        InLeft -= Skip;
        if (InLeft == 0)
            break;
    }
    return Output;
}

std::string_view AsBytes(UStringView AText)
{
    return std::string_view(reinterpret_cast<const char*>(AText.data()), AText.size() * sizeof(char16_t));
}

}  // namespace

std::string TIconvCodePage::FromUnicode(unsigned ACodePage, UStringView AText)
{
    UniqueIconv Handle = Open(IconvName(ACodePage), "UTF-16LE");
    return Convert(Handle, AsBytes(AText), 2, "?", nullptr);
}

bool TIconvCodePage::RepresentsExactly(unsigned ACodePage, UStringView AText)
{
    bool Exact = true;
    UniqueIconv Handle = Open(IconvName(ACodePage), "UTF-16LE");
    std::string Bytes = Convert(Handle, AsBytes(AText), 2, "?", &Exact);
    return Exact && ToUnicode(ACodePage, Bytes) == AText;
}

UString TIconvCodePage::ToUnicode(unsigned ACodePage, std::string_view ABytes)
{
    UniqueIconv Handle = Open("UTF-16LE", IconvName(ACodePage));
    std::string Bytes = Convert(Handle, ABytes, 1, std::string_view("\xFD\xFF", 2), nullptr);
    UString Result(Bytes.size() / 2, u'\0');
    for (size_t I = 0; I < Result.size(); ++I)
        Result[I] = static_cast<char16_t>(static_cast<unsigned char>(Bytes[2 * I]) |
                                          (static_cast<unsigned char>(Bytes[2 * I + 1]) << 8));
    return Result;
}

}  // namespace zelv::posix
