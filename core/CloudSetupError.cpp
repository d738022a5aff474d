#include "core/CloudSetupError.h"

#include <new>

namespace zelv {

ECloudSetupError::ECloudSetupError(UString AMessage)
    : FMessage(std::move(AMessage)), FWhat(DebugUtf8(FMessage))
{
}

UString FailureText(const std::exception& AFailure)
{
    if (auto* Known = dynamic_cast<const ECloudSetupError*>(&AFailure))
        return Known->Message();
    return AsciiToU(AFailure.what());
}

UString CaughtFailureText()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return u"Not enough memory to complete the operation";
    } catch (const std::exception& E) {
        return FailureText(E);
    } catch (...) {
        return u"An unexpected failure stopped the operation";
    }
}

UString TrimSystemText(UStringView ASystemText)
{
    size_t Length = ASystemText.size();
    while (Length > 0) {
        char16_t C = ASystemText[Length - 1];
        if (C == u' ' || C == u'\r' || C == u'\n' || C == u'.' || C == u'\t')
            --Length;
        else
            break;
    }
    return UString(ASystemText.substr(0, Length));
}

UString OSErrorMessage(unsigned long ACode, UStringView ASystemText)
{
    if (ACode == 0)
        return u"A call to an OS function failed";
    // Two blanks after the first full stop, as the system's own wording has it.
    return u"System Error.  Code: " + IntToUStr(static_cast<long long>(ACode)) + u".\r\n" +
           TrimSystemText(ASystemText);
}

void RaiseOSError(unsigned long ACode, UStringView ASystemText)
{
    throw ECloudSetupError(OSErrorMessage(ACode, ASystemText));
}

}  // namespace zelv
