#pragma once

#include <cstdint>

#include "core/CloudSetupText.h"

namespace zelv {

// Questions about the workstation the setup runs on. Each call asks the system again; nothing is
// kept between calls.

// The folder that holds the current user's desktop; never empty. The folder is neither created
// nor tested for existence. Raises ECloudSetupError when there is none.
UString GetDesktopPath();

// The size, in physical pixels, of the remote desktop a connection file asks for: the work area
// of the primary screen. Never fails: falls back to the unscaled desktop, or to 1920 x 1080.
void GetScreenResolution(int32_t& AWidth, int32_t& AHeight);

// True exactly when the machine's own processor is x64 (an ARM64 machine is not).
bool IsNative64Bit();

}  // namespace zelv
