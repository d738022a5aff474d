#include "app/win32/Win32Program.h"

#include <commctrl.h>
#include <objbase.h>

#include "platform/win32/Win32Platform.h"

namespace zelv::win32 {

namespace {

// COM for the picture decoder, for the life of the window.
class TComApartment {
public:
    TComApartment() : FInitialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~TComApartment()
    {
        if (FInitialised)
            CoUninitialize();
    }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;

private:
    bool FInitialised;
};

}  // namespace

int RunProgram(HINSTANCE AInstance, int AShowCommand, TWin32FormView::TMessageHook AHook)
{
    InstallWin32Platform();
    TComApartment Com;
    const INITCOMMONCONTROLSEX Controls = {sizeof Controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&Controls);

    TWin32FormView View(AInstance);
    TMainForm Form(View, LoadFormDescription(TWin32FormView::DetectDeviceClass()));
    if (!View.Create(Form, std::move(AHook)))
        return 1;
    Form.FormCreate();
    View.Show(AShowCommand);

    MSG Message;
    while (GetMessageW(&Message, nullptr, 0, 0) > 0) {
        // The dialog manager gives the window Tab and arrow-key navigation between its controls.
        if (View.Window() && IsDialogMessageW(View.Window(), &Message))
            continue;
        TranslateMessage(&Message);
        DispatchMessageW(&Message);
    }
    return static_cast<int>(Message.wParam);
}

}  // namespace zelv::win32
