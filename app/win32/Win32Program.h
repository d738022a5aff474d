#pragma once

#include <windows.h>

#include "app/win32/Win32FormView.h"

namespace zelv::win32 {

// The program block: initialises the application, creates the one TMainForm with its window, runs
// the message loop until the window has closed and returns the exit code.
int RunProgram(HINSTANCE AInstance, int AShowCommand, TWin32FormView::TMessageHook AHook = {});

}  // namespace zelv::win32
