#include "platform/win32/Win32Background.h"

#include <windows.h>

#include <atomic>

#include "core/CloudSetupError.h"

namespace zelv::win32 {

namespace {

void CALLBACK RunWork(PTP_CALLBACK_INSTANCE, void* AContext)
{
    std::unique_ptr<std::function<void()>> Work(static_cast<std::function<void()>*>(AContext));
    // Nothing may cross the pool's boundary; the tasks catch their own failures, this is the last
    // line of defence for a fault in them.
    try {
        (*Work)();
    } catch (...) {
        OutputDebugStringW(L"ZELV Cloud Setup: a background task failed unexpectedly\n");
    }
}

enum : UINT { WM_RUN_STEP = WM_APP + 1 };

const wchar_t HandOverClass[] = L"TZelvGuiHandOver";

// A message-only window of the GUI thread that runs the steps sent to it.
class TWin32HandOver : public platform::IGuiHandOver {
public:
    TWin32HandOver()
    {
        FGuiThread = GetCurrentThreadId();
        HINSTANCE Instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW Class{};
        Class.cbSize = sizeof Class;
        if (!GetClassInfoExW(Instance, HandOverClass, &Class)) {
            Class.lpfnWndProc = WindowProc;
            Class.hInstance = Instance;
            Class.lpszClassName = HandOverClass;
            RegisterClassExW(&Class);
        }
        FWindow = CreateWindowExW(0, HandOverClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, Instance, nullptr);
        if (!FWindow)
            throw ECloudSetupError(u"Could not create the window's message receiver");
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    ~TWin32HandOver() override { Close(); }

    void Run(const std::function<void()>& AStep) override
    {
        if (GetCurrentThreadId() == FGuiThread) {
            if (!FClosed)
                AStep();
            return;
        }
        // Blocks until the GUI thread has run the step. Once the window is destroyed, SendMessage
        // fails at once and the step is dropped.
        SendMessageW(FWindow, WM_RUN_STEP, 0, reinterpret_cast<LPARAM>(&AStep));
    }

    void Close() override
    {
        // Called on the GUI thread only, like the window procedure that reads the flag.
        if (FClosed)
            return;
        FClosed = true;
        DestroyWindow(FWindow);
    }

private:
    static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam)
    {
        if (AMessage == WM_RUN_STEP) {
            auto* Self = reinterpret_cast<TWin32HandOver*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
            if (Self && !Self->FClosed) {
                try {
                    (*reinterpret_cast<const std::function<void()>*>(ALParam))();
                } catch (...) {
                    OutputDebugStringW(L"ZELV Cloud Setup: a window step failed unexpectedly\n");
                }
            }
            return 0;
        }
        return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
    }

    DWORD FGuiThread = 0;
    HWND FWindow = nullptr;
    bool FClosed = false;
};

}  // namespace

void TWin32WorkerPool::Start(std::function<void()> AWork)
{
    auto* Work = new std::function<void()>(std::move(AWork));
    if (!TrySubmitThreadpoolCallback(RunWork, Work, nullptr)) {
        delete Work;
        throw ECloudSetupError(u"Could not start a background task");
    }
}

std::shared_ptr<platform::IGuiHandOver> TWin32GuiThread::CreateHandOver()
{
    return std::make_shared<TWin32HandOver>();
}

}  // namespace zelv::win32
