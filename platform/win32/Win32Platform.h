#pragma once

namespace zelv::win32 {

// Installs the Win32 implementations into the process-wide platform object. Called once by the
// program block (and by the Windows test programs) on the main thread, so the recorded locale is
// the main thread's.
void InstallWin32Platform();

}  // namespace zelv::win32
