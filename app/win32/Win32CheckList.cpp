// The company list: an owner-drawn list box whose items carry a check box each. The list box
// holds no items of its own (LBS_NODATA): it knows how many there are, and painting, the keyboard
// and the accessible object read each item's name and tick from the controller, so they are kept
// in one place only, and a fill is one message at any length.
//
// Measured under Wine 8.0 before relying on it: LB_SETCOUNT is refused without LBS_NODATA and
// accepted with it; a million items add nothing to the process's private memory; setting the
// count costs the same 0.06 ms at 3 and at 100,000 items with the redraw off (with it on, the list
// draws itself at once, up to tens of milliseconds whatever the count); a paint asks only for the
// rows in view; LB_SETITEMDATA stores nothing; the caret keys, LB_SETCURSEL, LB_GETITEMRECT and
// LB_ITEMFROMPOINT work as with stored items. What such a list box cannot do is find an item by
// its first letter, which a list box of strings does as the user types: SelectByFirstLetter.
#include "app/win32/Win32Accessible.h"
#include "app/win32/Win32Controls.h"
#include "app/win32/Win32ViewPaint.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

HWND Create(TViewContext& AView, const TControl& AControl)
{
    HWND List = CreateChildWindow(AView, AControl, L"LISTBOX",
                                  WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_OWNERDRAWFIXED | LBS_NODATA |
                                      LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                  AControl.Text);
    if (List && !AControl.Items.empty())
        FillCheckList(List, AControl);
    return List;
}

// The number of items comes only through FillCheckList and a changed tick through
// UpdateCheckListItem: what is left here never looks at the items, so a list of thousands costs no
// more than one of three.
void Sync(TViewContext& AView, HWND AWindow, const TControl& AControl)
{
    const int Height = AView.Scale(AControl.ItemHeight);
    if (SendMessageW(AWindow, LB_GETITEMHEIGHT, 0, 0) != Height)
        SendMessageW(AWindow, LB_SETITEMHEIGHT, 0, Height);
    InvalidateRect(AWindow, nullptr, TRUE);
}

HFONT Font(TViewContext& AView, const TControl& AControl) { return AView.Font(AControl.ItemFontSize, false); }

// The tick goes through the controller, which keeps it and tells the view of that one item.
void Toggle(TViewContext& AView, const TControl& AControl, int AIndex)
{
    if (AIndex < 0 || AIndex >= static_cast<int>(AControl.Items.size()))
        return;
    AView.Form().ItemChecked(AControl.Id, static_cast<size_t>(AIndex), !AControl.Items[AIndex].Checked);
}

// The next item after the caret whose name starts with the letter typed, round to the top, as a
// list box of strings finds it.
void SelectByFirstLetter(HWND AWindow, const TControl& AControl, wchar_t ALetter)
{
    const size_t Count = AControl.Items.size();
    const LRESULT Caret = SendMessageW(AWindow, LB_GETCARETINDEX, 0, 0);
    const size_t From = Caret >= 0 ? static_cast<size_t>(Caret) + 1 : 0;
    for (size_t Step = 0; Step < Count; ++Step) {
        const size_t Index = (From + Step) % Count;
        const UString& Name = AControl.Items[Index].Text;
        if (!Name.empty() && CompareStringOrdinal(W(Name), 1, &ALetter, 1, TRUE) == CSTR_EQUAL) {
            SendMessageW(AWindow, LB_SETCURSEL, Index, 0);
            return;
        }
    }
}

// Answered only to our own accessible object (ListItemRequest).
bool AnswerListItem(const TControl& AControl, WPARAM AIndex, LPARAM ALParam)
{
    TAccessibleItem* Item = ListItemRequest(ALParam);
    if (!Item || AIndex >= AControl.Items.size())
        return false;
    Item->Name = ToW(AControl.Items[AIndex].Text);
    Item->Checked = AControl.Items[AIndex].Checked;
    return true;
}

bool Message(TViewContext& AView, HWND AWindow, const TControl& AControl, UINT AMessage, WPARAM AWParam, LPARAM ALParam,
             LRESULT& AResult)
{
    switch (AMessage) {
    case WM_GETOBJECT: return AnswerGetObject(AWindow, TAccessibleKind::CheckList, AWParam, ALParam, AResult);
    case WM_GET_LIST_ITEM: AResult = AnswerListItem(AControl, AWParam, ALParam); return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        AResult = DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
        const LRESULT Hit = SendMessageW(AWindow, LB_ITEMFROMPOINT, 0, ALParam);
        if (HIWORD(Hit) == 0)
            Toggle(AView, AControl, LOWORD(Hit));
        return true;
    }
    case WM_KEYDOWN:
        if (AWParam == VK_SPACE) {
            Toggle(AView, AControl, static_cast<int>(SendMessageW(AWindow, LB_GETCARETINDEX, 0, 0)));
            AResult = 0;
            return true;
        }
        return false;
    case WM_CHAR:
        if (AWParam < L' ')
            return false;
        if (AWParam != L' ')
            SelectByFirstLetter(AWindow, AControl, static_cast<wchar_t>(AWParam));
        AResult = 0;
        return true;
    }
    return false;
}

// The check box: drawn by us so it scales with the DPI and follows high contrast.
void DrawCheckBox(TViewContext& AView, HDC ADC, int ALeft, int ATop, int ASize, bool AChecked, HBRUSH APaper)
{
    TPixelSurface Surface(ADC, ASize, ASize);
    if (!Surface)
        return;
    const bool Contrast = AView.HighContrast();
    RECT All = {0, 0, ASize, ASize};
    FillRect(Surface.DC(), &All, APaper);
    const double Radius = 3 * AView.Dpi() / 96.0;
    const COLORREF Accent = Contrast ? GetSysColor(COLOR_WINDOWTEXT) : ToColorRef(claButtonBlue);
    if (AChecked && !Contrast)
        FillRoundRect(Surface, All, Radius, Accent, 1.0);
    else
        FrameRoundRect(Surface, All, Radius, std::max(1.0, AView.Dpi() / 96.0), Contrast ? Accent : ToColorRef(0xFF8A8A8A));
    if (AChecked) {
        UniqueHandle<HPEN, DeleteGdiObject> Pen(CreatePen(PS_SOLID, std::max(2, AView.Scale(2)), Contrast ? Accent : RGB(255, 255, 255)));
        const TSelectedObject Selected(Surface.DC(), Pen.Get());
        const POINT Tick[] = {{ASize * 4 / 16, ASize * 8 / 16}, {ASize * 7 / 16, ASize * 11 / 16}, {ASize * 12 / 16, ASize * 5 / 16}};
        Polyline(Surface.DC(), Tick, 3);
    }
    GdiFlush();
    BitBlt(ADC, ALeft, ATop, ASize, ASize, Surface.DC(), 0, 0, SRCCOPY);
}

void DrawItem(TViewContext& AView, const TControl& AList, const DRAWITEMSTRUCT& AItem)
{
    HDC DC = AItem.hDC;
    const RECT& Row = AItem.rcItem;
    UniqueBrush PaperBrush(CreateSolidBrush(PaperColor(AView)));
    FillRect(DC, &Row, PaperBrush.Get());
    if (AItem.itemID == static_cast<UINT>(-1) || AItem.itemID >= AList.Items.size())
        return;
    const TListItem& Item = AList.Items[AItem.itemID];
    const int Box = AView.Scale(16), Left = Row.left + AView.Scale(8), Top = Row.top + (Row.bottom - Row.top - Box) / 2;
    DrawCheckBox(AView, DC, Left, Top, Box, Item.Checked, PaperBrush.Get());
    // The item DC is the list box's own: it gets its font back when the item is drawn.
    const TSelectedObject Font(DC, AView.Font(AList.ItemFontSize, false));
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, TextColor(AView, claNull));
    RECT Text = Row;
    Text.left = Left + Box + AView.Scale(10);
    Text.right -= AView.Scale(4);
    DrawTextW(DC, W(Item.Text), -1, &Text, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    if ((AItem.itemState & ODS_FOCUS) && !(AItem.itemState & ODS_NOFOCUSRECT))
        DrawFocusRect(DC, &Row);
}

void MeasureItem(TViewContext& AView, const TControl& AList, MEASUREITEMSTRUCT& AItem)
{
    AItem.itemHeight = AView.Scale(AList.ItemHeight);
}

}  // namespace

const TControlUnit CheckListUnit = {Create, Sync, Font, Message, nullptr, DrawItem, MeasureItem};

void FillCheckList(HWND AList, const TControl& AControl)
{
    // The list box keeps its own visibility while its redraw is off, but a system whose list box
    // leaves the message to the default window procedure would show a hidden list afterwards.
    const bool Visible = (GetWindowLongPtrW(AList, GWL_STYLE) & WS_VISIBLE) != 0;
    // A new list starts at its top with nothing selected, as an emptied list box does. With the
    // redraw off the list and its scroll bar are drawn once, after the count is set.
    SendMessageW(AList, WM_SETREDRAW, FALSE, 0);
    SendMessageW(AList, LB_RESETCONTENT, 0, 0);
    SendMessageW(AList, LB_SETCOUNT, AControl.Items.size(), 0);
    SendMessageW(AList, WM_SETREDRAW, TRUE, 0);
    if (!Visible && (GetWindowLongPtrW(AList, GWL_STYLE) & WS_VISIBLE))
        ShowWindow(AList, SW_HIDE);
    InvalidateRect(AList, nullptr, TRUE);
    NotifyWinEvent(EVENT_OBJECT_REORDER, AList, OBJID_CLIENT, CHILDID_SELF);
}

void UpdateCheckListItem(HWND AList, const TControl& AControl, size_t AIndex)
{
    if (AIndex >= AControl.Items.size())
        return;
    const int Item = static_cast<int>(AIndex);
    RECT Box = {};
    if (SendMessageW(AList, LB_GETITEMRECT, Item, reinterpret_cast<LPARAM>(&Box)) != LB_ERR)
        InvalidateRect(AList, &Box, FALSE);
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, AList, OBJID_CLIENT, Item + 1);
}

}  // namespace zelv::win32
