#pragma once

#include <cstdint>
#include <optional>

#include "core/CloudSetupText.h"

namespace zelv::platform {

// Three capabilities of the screen, read from one device context.
struct TScreenCaps {
    int32_t DesktopHorzRes = 0;  // the desktop's physical width
    int32_t DesktopVertRes = 0;  // the desktop's physical height
    int32_t VertRes = 0;         // its height in the logical units this process is shown
};

// The primary screen less the task bar and other docked bars.
struct TWorkArea {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
};

// Facts about the workstation, asked anew on every call.
class IWorkstation {
public:
    virtual ~IWorkstation() = default;
    // The file-system folder behind the user's desktop as the shell reports it (never created),
    // or none when the shell call fails.
    virtual std::optional<UString> ShellDesktopFolder() = 0;
    // The screen's capabilities, or none when no device context is to be had.
    virtual std::optional<TScreenCaps> ScreenCaps() = 0;
    // The work area, or none when the system does not report it.
    virtual std::optional<TWorkArea> WorkArea() = 0;
    // The machine's own processor architecture (not the one an emulated process is shown), as the
    // system's PROCESSOR_ARCHITECTURE_* value.
    virtual uint16_t NativeProcessorArchitecture() = 0;
};

}  // namespace zelv::platform
