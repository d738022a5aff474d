#pragma once

#include <exception>
#include <string>

#include "core/CloudSetupText.h"

namespace zelv {

// The product's one exception type. Its message is the text the user reads, in UTF-16.
class ECloudSetupError : public std::exception {
public:
    explicit ECloudSetupError(UString AMessage);

    const UString& Message() const noexcept { return FMessage; }
    // For test output and diagnostics only; non-ASCII is escaped.
    const char* what() const noexcept override { return FWhat.c_str(); }

private:
    UString FMessage;
    std::string FWhat;
};

// The message of a failed operating-system call: "System Error.  Code: <n>.\r\n<text>" with the
// system's text stripped of trailing blanks, line breaks and full stops, or "A call to an OS
// function failed" when there is no error code.
UString OSErrorMessage(unsigned long ACode, UStringView ASystemText);
[[noreturn]] void RaiseOSError(unsigned long ACode, UStringView ASystemText);

// The text a user reads for any failure: our own message, or the library's description.
UString FailureText(const std::exception& AFailure);
// The same for the failure being handled, whatever was thrown; only inside a catch block.
UString CaughtFailureText();

// The system's text without trailing blanks, line breaks and full stops.
UString TrimSystemText(UStringView ASystemText);

}  // namespace zelv
