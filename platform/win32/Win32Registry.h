#pragma once

#include "platform/IRegistry.h"

namespace zelv::win32 {

// The registry through advapi32, in the calling process's own registry view.
class TWin32Registry : public platform::IRegistry {
public:
    std::unique_ptr<platform::IRegistryKey> CreateKey(platform::TRegistryHive AHive, UStringView APath,
                                                      std::uint32_t AAccess) override;
    platform::TRegistryOpen OpenKey(platform::TRegistryHive AHive, UStringView APath, std::uint32_t AAccess) override;
};

}  // namespace zelv::win32
