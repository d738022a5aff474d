#include "app/win32/Win32Program.h"

#include <commctrl.h>

#include "platform/win32/Win32Platform.h"

namespace zelv::win32 {

int RunProgram(HINSTANCE AInstance, int AShowCommand, TWin32FormView::TMessageHook AHook)
{
    InstallWin32Platform();
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
