// The baseline of the start-up benchmark: a Win32 program that only opens a window.
#include <windows.h>

static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam)
{
    if (AMessage == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
}

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE, PWSTR, int AShow)
{
    WNDCLASSEXW Class{};
    Class.cbSize = sizeof Class;
    Class.lpfnWndProc = WindowProc;
    Class.hInstance = AInstance;
    Class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    Class.lpszClassName = L"BareWindow";
    RegisterClassExW(&Class);
    HWND Window = CreateWindowExW(0, Class.lpszClassName, L"Bare Window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 402, 581, nullptr, nullptr, AInstance, nullptr);
    ShowWindow(Window, AShow);
    MSG Message;
    while (GetMessageW(&Message, nullptr, 0, 0) > 0)
        DispatchMessageW(&Message);
    return 0;
}
