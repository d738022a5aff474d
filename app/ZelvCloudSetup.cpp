#include <windows.h>

#include "platform/win32/Win32Platform.h"

namespace {

LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam)
{
    if (AMessage == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE, PWSTR, int AShow)
{
    zelv::win32::InstallWin32Platform();

    WNDCLASSEXW Class = {sizeof Class};
    Class.lpfnWndProc = WindowProc;
    Class.hInstance = AInstance;
    Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    Class.lpszClassName = L"TZelvCloudSetupForm";
    RegisterClassExW(&Class);
    HWND Window = CreateWindowExW(0, Class.lpszClassName, L"ZELV Cloud Setup", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 402, 581, nullptr, nullptr, AInstance, nullptr);
    if (!Window)
        return 1;
    ShowWindow(Window, AShow);
    MSG Message;
    while (GetMessageW(&Message, nullptr, 0, 0) > 0) {
        TranslateMessage(&Message);
        DispatchMessageW(&Message);
    }
    return 0;
}
