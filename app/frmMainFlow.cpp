// Minimal stand-ins for the sign-in flow and the setup run until their real implementation
// replaces this file: each checks its input as the real one does and starts nothing.
#include "app/frmMain.h"

namespace zelv {

void TMainForm::DoRequestCode()
{
    if (IsBlank(Text(TCtl::edtEmail)))
        SetStatus(TCtl::lblEmailStatus, u"Please enter your email address.", true);
}

void TMainForm::DoVerifyCode()
{
    if (Trim(Text(TCtl::edtCode)).size() != 6)
        SetStatus(TCtl::lblCodeStatus, u"Please enter the 6-digit code.", true);
}

void TMainForm::DoSetup() {}

}  // namespace zelv
