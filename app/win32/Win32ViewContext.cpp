#include "app/win32/Win32ViewContext.h"

#include <cmath>

namespace zelv::win32 {

namespace {

constexpr wchar_t FontFace[] = L"Segoe UI";

}  // namespace

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

HWND TViewContext::Child(TCtl AId) const
{
    auto Found = FChildren.find(AId);
    return Found == FChildren.end() ? nullptr : Found->second;
}

}  // namespace zelv::win32
