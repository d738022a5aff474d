#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/CloudSetupText.h"

namespace zelv::platform {

enum class TRegistryHive { CurrentUser, LocalMachine };

// Access rights and value types as the system numbers them, so the core states exactly what it asks for.
namespace regaccess {
inline constexpr std::uint32_t QueryValue = 0x0001;
inline constexpr std::uint32_t Read = 0x20019;
inline constexpr std::uint32_t ReadWithoutNotify = 0x20009;
inline constexpr std::uint32_t Write = 0x20006;
inline constexpr std::uint32_t SetValue = 0x0002;
}  // namespace regaccess

namespace regtype {
inline constexpr std::uint32_t None = 0;
inline constexpr std::uint32_t String = 1;
inline constexpr std::uint32_t ExpandString = 2;
inline constexpr std::uint32_t Binary = 3;
inline constexpr std::uint32_t DWord = 4;
inline constexpr std::uint32_t DWordBigEndian = 5;
inline constexpr std::uint32_t QWord = 11;
}  // namespace regtype

// What one read of a value into a buffer of limited size reported.
struct TRegistryRead {
    enum class TStatus { Read, MoreData, NotFound, Failed };
    TStatus Status = TStatus::Failed;
    std::uint32_t Type = regtype::None;
    std::uint32_t Size = 0;           // bytes of data the system reports for the value
    std::vector<unsigned char> Data;  // the bytes read; only when Status is Read
};

// An open key; closed when the object goes.
class IRegistryKey {
public:
    virtual ~IRegistryKey() = default;
    // Stores the text as REG_SZ with its terminating NUL. False when the system refuses.
    virtual bool SetString(UStringView AName, UStringView AText) = 0;
    virtual bool ValueExists(UStringView AName) = 0;
    // Reads at most AMaxBytes of the value's data, reporting its type and full size as the system does.
    virtual TRegistryRead Read(UStringView AName, std::uint32_t AMaxBytes) = 0;
    // Removes the value. False when the system refuses or it is not there.
    virtual bool DeleteValue(UStringView AName) = 0;
};

struct TRegistryOpen {
    std::unique_ptr<IRegistryKey> Key;  // empty when the key could not be opened
    bool AccessDenied = false;
};

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // Opens the key with the access, creating it and its missing parents (non-volatile); empty on failure.
    virtual std::unique_ptr<IRegistryKey> CreateKey(TRegistryHive AHive, UStringView APath, std::uint32_t AAccess) = 0;
    virtual TRegistryOpen OpenKey(TRegistryHive AHive, UStringView APath, std::uint32_t AAccess) = 0;
};

}  // namespace zelv::platform
