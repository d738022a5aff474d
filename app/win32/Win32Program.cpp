#include "app/win32/Win32Program.h"

#include <commctrl.h>

#include "bench/StartupMarks.h"
#include "platform/win32/Win32Platform.h"

namespace zelv::win32 {

int RunProgram(HINSTANCE AInstance, int AShowCommand, TWin32FormView::TMessageHook AHook)
{
    ZELV_MARK("C runtime and static constructors");
    InstallWin32Platform();
    ZELV_MARK("platform");
    const INITCOMMONCONTROLSEX Controls = {sizeof Controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&Controls);
    ZELV_MARK("common controls");

    TWin32FormView View(AInstance);
    TMainForm Form(View, LoadFormDescription(TWin32FormView::DetectDeviceClass()));
    ZELV_MARK("window description");
    if (!View.Create(Form, std::move(AHook)))
        return 1;
    Form.FormCreate();
    ZELV_MARK("controller (FormCreate)");
    View.Show(AShowCommand);
    ZELV_MARK("message loop");

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
