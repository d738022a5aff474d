#include "platform/win32/Win32Registry.h"

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

HKEY HiveKey(platform::TRegistryHive AHive)
{
    return AHive == platform::TRegistryHive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

class TWin32RegistryKey : public platform::IRegistryKey {
public:
    explicit TWin32RegistryKey(UniqueKey AKey) : FKey(std::move(AKey)) {}

    bool SetString(UStringView AName, UStringView AText) override
    {
        std::wstring Name = ToW(AName);
        std::wstring Text = ToW(AText);
        const DWORD Bytes = static_cast<DWORD>((Text.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(FKey.Get(), Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Text.c_str()),
                              Bytes) == ERROR_SUCCESS;
    }

    bool ValueExists(UStringView AName) override
    {
        std::wstring Name = ToW(AName);
        return RegQueryValueExW(FKey.Get(), Name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }

    platform::TRegistryRead Read(UStringView AName, std::uint32_t AMaxBytes) override
    {
        std::wstring Name = ToW(AName);
        platform::TRegistryRead Result;
        std::vector<unsigned char> Buffer(AMaxBytes);
        DWORD Type = REG_NONE;
        DWORD Size = AMaxBytes;
        LSTATUS Status = RegQueryValueExW(FKey.Get(), Name.c_str(), nullptr, &Type, Buffer.data(), &Size);
        Result.Type = Type;
        Result.Size = Size;
        if (Status == ERROR_SUCCESS) {
            Result.Status = platform::TRegistryRead::TStatus::Read;
            Buffer.resize(std::min<DWORD>(Size, AMaxBytes));
            Result.Data = std::move(Buffer);
        } else if (Status == ERROR_MORE_DATA) {
            // The buffer's contents are undefined after this answer; only type and size count.
            Result.Status = platform::TRegistryRead::TStatus::MoreData;
        } else if (Status == ERROR_FILE_NOT_FOUND) {
            Result.Status = platform::TRegistryRead::TStatus::NotFound;
        }
        return Result;
    }

    bool DeleteValue(UStringView AName) override
    {
        std::wstring Name = ToW(AName);
        return RegDeleteValueW(FKey.Get(), Name.c_str()) == ERROR_SUCCESS;
    }

private:
    UniqueKey FKey;
};

}  // namespace

std::unique_ptr<platform::IRegistryKey> TWin32Registry::CreateKey(platform::TRegistryHive AHive, UStringView APath,
                                                                  std::uint32_t AAccess)
{
    std::wstring Path = ToW(APath);
    HKEY Raw = nullptr;
    if (RegCreateKeyExW(HiveKey(AHive), Path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, AAccess, nullptr, &Raw,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<TWin32RegistryKey>(UniqueKey(Raw));
}

platform::TRegistryOpen TWin32Registry::OpenKey(platform::TRegistryHive AHive, UStringView APath,
                                                std::uint32_t AAccess)
{
    std::wstring Path = ToW(APath);
    HKEY Raw = nullptr;
    LSTATUS Status = RegOpenKeyExW(HiveKey(AHive), Path.c_str(), 0, AAccess, &Raw);
    platform::TRegistryOpen Result;
    if (Status == ERROR_SUCCESS)
        Result.Key = std::make_unique<TWin32RegistryKey>(UniqueKey(Raw));
    else
        Result.AccessDenied = Status == ERROR_ACCESS_DENIED;
    return Result;
}

}  // namespace zelv::win32
