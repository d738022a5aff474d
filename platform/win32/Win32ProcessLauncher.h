#pragma once

#include "platform/IProcessLauncher.h"

namespace zelv::win32 {

// ShellExecuteExW, the wait for the started process and the system folder.
class TWin32ProcessLauncher : public platform::IProcessLauncher {
public:
    platform::TShellExecuteResult Execute(const platform::TShellExecuteRequest& ARequest) override;
    UString SystemDirectory() override;
};

}  // namespace zelv::win32
