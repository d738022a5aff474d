#include "platform/win32/Win32Environment.h"

#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

std::optional<UString> TWin32Environment::Variable(UStringView AName)
{
    std::wstring Name = ToW(AName);
    // The value may change between the two calls; ask until the buffer holds it whole.
    std::wstring Value(256, L'\0');
    while (true) {
        SetLastError(ERROR_SUCCESS);
        DWORD Length = GetEnvironmentVariableW(Name.c_str(), Value.data(), static_cast<DWORD>(Value.size()));
        if (Length == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND)
                return std::nullopt;
            return UString();
        }
        if (Length < Value.size()) {
            Value.resize(Length);
            return U(Value);
        }
        Value.assign(Length, L'\0');
    }
}

}  // namespace zelv::win32
