#include <windows.h>

#include "app/win32/Win32Program.h"

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE, PWSTR, int AShowCommand)
{
    return zelv::win32::RunProgram(AInstance, AShowCommand);
}
