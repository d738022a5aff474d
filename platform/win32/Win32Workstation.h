#pragma once

#include "platform/IWorkstation.h"

namespace zelv::win32 {

class TWin32Workstation : public platform::IWorkstation {
public:
    std::optional<UString> ShellDesktopFolder() override;
    std::optional<platform::TScreenCaps> ScreenCaps() override;
    std::optional<platform::TWorkArea> WorkArea() override;
    uint16_t NativeProcessorArchitecture() override;
};

}  // namespace zelv::win32
