#include "app/win32/Win32ViewContext.h"

#include "app/win32/Win32Controls.h"

#include <cmath>

namespace zelv::win32 {

namespace {

constexpr wchar_t FontFace[] = L"Segoe UI";

}  // namespace

void TViewContext::FillList(HWND AList, const TControl& AControl)
{
    BeginCheckListFill(AList, AControl);
    FFilling = true;
    FFillList = AControl.Id;
    FFillNext = 0;
    ContinueFill();
}

void TViewContext::ContinueFill()
{
    if (!FFilling)
        return;
    HWND List = Child(FFillList);
    if (!List || !HasForm()) {
        FFilling = false;
        return;
    }
    // The items are read from the controller at every slice: a new fill starts over instead.
    const TControl& Control = Form().Ctl(FFillList);
    FFillNext = AddCheckListItems(List, Control, FFillNext, FillSliceMs);
    if (FFillNext < Control.Items.size()) {
        if (IsWindowEnabled(List))
            EnableWindow(List, FALSE);
        SetTimer(FWindow, FillTimer, USER_TIMER_MINIMUM, nullptr);
        return;
    }
    FFilling = false;
    KillTimer(FWindow, FillTimer);
    EndCheckListFill(List);
    if (!IsWindowEnabled(List) != !Control.Enabled)
        EnableWindow(List, Control.Enabled);
}

TViewContext::TFonts TViewContext::SetDpi(UINT ADpi)
{
    FDpi = ADpi;
    TFonts Old = std::move(FFonts);
    FFonts.clear();
    return Old;
}

int TViewContext::Scale(double AUnits) const { return static_cast<int>(std::lround(AUnits * FDpi / 96.0)); }

RECT TViewContext::DeviceRect(const TControl& AControl) const
{
    double X = AControl.X, Y = AControl.Y;
    for (TCtl Parent = AControl.Parent; Parent != TCtl::None && Parent != TCtl::MainForm;) {
        const TControl& P = FForm->Ctl(Parent);
        X += P.X;
        Y += P.Y;
        Parent = P.Parent;
    }
    // Both edges are scaled from their own position, so neighbours stay seamless at any DPI.
    return RECT{Scale(X), Scale(Y), Scale(X + AControl.W), Scale(Y + AControl.H)};
}

HFONT TViewContext::Font(double APoints, bool ABold)
{
    const auto Key = std::make_pair(static_cast<int>(std::lround(APoints * 10)), ABold);
    auto Found = FFonts.find(Key);
    if (Found != FFonts.end())
        return Found->second.Get();
    // Sizes count in the window's device-independent units, like its geometry: the boxes of the
    // description were laid out for text of that height (at 1/72 inch the code prompt and the
    // result headline no longer fit their boxes).
    HFONT Font = CreateFontW(-Scale(APoints), 0, 0, 0, ABold ? FW_BOLD : FW_NORMAL,
                             FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, FontFace);
    FFonts.emplace(Key, UniqueFont(Font));
    return Font;
}

void TViewContext::ReportFailure(const UString& AText)
{
    // A failure while another waits to be shown, or one the user has seen already (a paint that
    // fails again), adds nothing the user can act on.
    const UString Text = AText.empty() ? UString(u"An unexpected error occurred") : AText;
    if (!FFailure.empty() || !FWindow || !FShownFailures.insert(Text).second)
        return;
    FFailure = Text;
    PostMessageW(FWindow, WM_SHOW_FAILURE, 0, 0);
}

HWND TViewContext::Child(TCtl AId) const
{
    auto Found = FChildren.find(AId);
    return Found == FChildren.end() ? nullptr : Found->second;
}

}  // namespace zelv::win32
