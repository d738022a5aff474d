#include "app/win32/Win32Accessible.h"

#include <oleacc.h>
#include <wrl/client.h>

#include <string>

#include "app/win32/Win32ComObject.h"
#include "app/win32/Win32ViewMessages.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

using Microsoft::WRL::ComPtr;

// The item this thread's accessible object is asking its list for, while it asks.
thread_local TAccessibleItem* AskedItem = nullptr;

// mingw-w64's liboleacc.a carries a wrong IID_IAccessible.
constexpr GUID AccessibleIid = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

HRESULT Text(const std::wstring& AText, BSTR* AResult)
{
    if (!AResult)
        return E_INVALIDARG;
    *AResult = AText.empty() ? nullptr : SysAllocString(AText.c_str());
    return AText.empty() ? S_FALSE : S_OK;
}

HRESULT Integer(LONG AValue, VARIANT* AResult)
{
    if (!AResult)
        return E_INVALIDARG;
    VariantInit(AResult);
    AResult->vt = VT_I4;
    AResult->lVal = AValue;
    return S_OK;
}

// The client object of one control; what it does not know itself (parent, place, navigation
// between windows) it leaves to the system's standard object for the window.
class TAccessibleControl final : public TComObject<IAccessible, IID_IDispatch, AccessibleIid> {
public:
    TAccessibleControl(HWND AWindow, TAccessibleKind AKind, ComPtr<IAccessible> AStandard)
        : FWindow(AWindow), FKind(AKind), FStandard(std::move(AStandard))
    {
    }

    // IDispatch: clients of this object call it through its own interface.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* ACount) override
    {
        if (ACount)
            *ACount = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** AParent) override { return FStandard->get_accParent(AParent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* ACount) override
    {
        if (!ACount)
            return E_INVALIDARG;
        *ACount = FKind == TAccessibleKind::CheckList ? ItemCount() : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT AChild, IDispatch** AResult) override
    {
        if (!AResult)
            return E_INVALIDARG;
        *AResult = nullptr;
        // The items are simple elements of the list, not objects of their own.
        return ItemOf(AChild) >= 0 ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT AChild, BSTR* AName) override
    {
        if (IsSelf(AChild))
            return Text(FKind == TAccessibleKind::PushButton ? ToW(WindowText(FWindow)) : LabelBefore(), AName);
        const int Item = ItemOf(AChild);
        if (Item < 0)
            return E_INVALIDARG;
        return Text(ListItem(Item).Name, AName);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT AChild, BSTR* AValue) override
    {
        if (IsSelf(AChild))
            return FStandard->get_accValue(AChild, AValue);
        return Text({}, AValue);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT AChild, BSTR* ADescription) override
    {
        return IsSelf(AChild) ? FStandard->get_accDescription(AChild, ADescription) : Text({}, ADescription);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT AChild, VARIANT* ARole) override
    {
        if (IsSelf(AChild))
            return Integer(FKind == TAccessibleKind::PushButton ? ROLE_SYSTEM_PUSHBUTTON : ROLE_SYSTEM_LIST, ARole);
        return ItemOf(AChild) >= 0 ? Integer(ROLE_SYSTEM_LISTITEM, ARole) : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT AChild, VARIANT* AState) override
    {
        const bool Focused = GetFocus() == FWindow;
        if (IsSelf(AChild)) {
            LONG State = STATE_SYSTEM_FOCUSABLE | (Focused ? STATE_SYSTEM_FOCUSED : 0);
            if (!IsWindowVisible(FWindow))
                State |= STATE_SYSTEM_INVISIBLE;
            if (!IsWindowEnabled(FWindow) || GetPropW(FWindow, UnavailableProperty))
                State |= STATE_SYSTEM_UNAVAILABLE;
            return Integer(State, AState);
        }
        const int Item = ItemOf(AChild);
        if (Item < 0)
            return E_INVALIDARG;
        LONG State = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
        if (ListItem(Item).Checked)
            State |= STATE_SYSTEM_CHECKED;
        if (Focused && SendMessageW(FWindow, LB_GETCARETINDEX, 0, 0) == Item)
            State |= STATE_SYSTEM_FOCUSED;
        if (SendMessageW(FWindow, LB_GETCURSEL, 0, 0) == Item)
            State |= STATE_SYSTEM_SELECTED;
        if (!IsWindowVisible(FWindow))
            State |= STATE_SYSTEM_INVISIBLE;
        return Integer(State, AState);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* AHelp) override { return Text({}, AHelp); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* AFile, VARIANT, LONG* ATopic) override
    {
        if (ATopic)
            *ATopic = 0;
        return Text({}, AFile);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT AChild, BSTR* AShortcut) override
    {
        return IsSelf(AChild) ? FStandard->get_accKeyboardShortcut(AChild, AShortcut) : Text({}, AShortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* AFocus) override
    {
        if (!AFocus)
            return E_INVALIDARG;
        VariantInit(AFocus);
        if (GetFocus() != FWindow)
            return S_FALSE;
        const LRESULT Caret = SendMessageW(FWindow, LB_GETCARETINDEX, 0, 0);
        return Integer(FKind == TAccessibleKind::CheckList && Caret >= 0 && Caret < ItemCount() ? static_cast<LONG>(Caret) + 1 : CHILDID_SELF, AFocus);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* ASelection) override
    {
        if (!ASelection)
            return E_INVALIDARG;
        VariantInit(ASelection);
        const LRESULT Selected = FKind == TAccessibleKind::CheckList ? SendMessageW(FWindow, LB_GETCURSEL, 0, 0) : LB_ERR;
        return Selected >= 0 ? Integer(static_cast<LONG>(Selected) + 1, ASelection) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT AChild, BSTR* AAction) override
    {
        if (IsSelf(AChild))
            return Text(FKind == TAccessibleKind::PushButton ? L"Press" : L"", AAction);
        const int Item = ItemOf(AChild);
        if (Item < 0)
            return E_INVALIDARG;
        return Text(ListItem(Item).Checked ? L"Uncheck" : L"Check", AAction);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG AFlags, VARIANT AChild) override
    {
        const int Item = ItemOf(AChild);
        if (Item < 0)
            return IsSelf(AChild) ? FStandard->accSelect(AFlags, AChild) : E_INVALIDARG;
        if (AFlags & SELFLAG_TAKEFOCUS)
            SetFocus(FWindow);
        SendMessageW(FWindow, LB_SETCURSEL, Item, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* ALeft, LONG* ATop, LONG* AWidth, LONG* AHeight, VARIANT AChild) override
    {
        if (IsSelf(AChild))
            return FStandard->accLocation(ALeft, ATop, AWidth, AHeight, AChild);
        const int Item = ItemOf(AChild);
        RECT Box = {};
        if (Item < 0 || !ALeft || !ATop || !AWidth || !AHeight ||
            SendMessageW(FWindow, LB_GETITEMRECT, Item, reinterpret_cast<LPARAM>(&Box)) == LB_ERR)
            return E_INVALIDARG;
        MapWindowPoints(FWindow, nullptr, reinterpret_cast<POINT*>(&Box), 2);
        *ALeft = Box.left;
        *ATop = Box.top;
        *AWidth = Box.right - Box.left;
        *AHeight = Box.bottom - Box.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG ADirection, VARIANT AStart, VARIANT* AEnd) override
    {
        if (FKind != TAccessibleKind::CheckList)
            return FStandard->accNavigate(ADirection, AStart, AEnd);
        const int Count = ItemCount();
        int Target = -1;
        const int Item = ItemOf(AStart);
        if (IsSelf(AStart) && ADirection == NAVDIR_FIRSTCHILD)
            Target = 0;
        else if (IsSelf(AStart) && ADirection == NAVDIR_LASTCHILD)
            Target = Count - 1;
        else if (IsSelf(AStart))
            return FStandard->accNavigate(ADirection, AStart, AEnd);
        else if (Item >= 0 && (ADirection == NAVDIR_NEXT || ADirection == NAVDIR_DOWN))
            Target = Item + 1;
        else if (Item >= 0 && (ADirection == NAVDIR_PREVIOUS || ADirection == NAVDIR_UP))
            Target = Item - 1;
        if (!AEnd)
            return E_INVALIDARG;
        VariantInit(AEnd);
        return Target >= 0 && Target < Count ? Integer(Target + 1, AEnd) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG ALeft, LONG ATop, VARIANT* AChild) override
    {
        if (!AChild)
            return E_INVALIDARG;
        VariantInit(AChild);
        POINT Point = {ALeft, ATop};
        ScreenToClient(FWindow, &Point);
        RECT Client = {};
        GetClientRect(FWindow, &Client);
        if (!PtInRect(&Client, Point))
            return S_FALSE;
        if (FKind == TAccessibleKind::CheckList) {
            const LRESULT Hit = SendMessageW(FWindow, LB_ITEMFROMPOINT, 0, MAKELPARAM(Point.x, Point.y));
            if (HIWORD(Hit) == 0 && LOWORD(Hit) < ItemCount())
                return Integer(LOWORD(Hit) + 1, AChild);
        }
        return Integer(CHILDID_SELF, AChild);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT AChild) override
    {
        if (IsSelf(AChild)) {
            if (FKind != TAccessibleKind::PushButton)
                return DISP_E_MEMBERNOTFOUND;
            PostMessageW(FWindow, BM_CLICK, 0, 0);
            return S_OK;
        }
        const int Item = ItemOf(AChild);
        if (Item < 0)
            return E_INVALIDARG;
        // As the user ticks an item: Space on it. Posted, so the tick comes after the call has
        // returned to the screen reader; the controller takes it only while the list is shown and
        // enabled, as it takes any other.
        SendMessageW(FWindow, LB_SETCURSEL, Item, 0);
        PostMessageW(FWindow, WM_KEYDOWN, VK_SPACE, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    // A list is named by the label before it, as the system names an edit box.
    std::wstring LabelBefore() const
    {
        HWND Previous = GetWindow(FWindow, GW_HWNDPREV);
        wchar_t Class[16] = {};
        if (!Previous || !GetClassNameW(Previous, Class, 16) || lstrcmpiW(Class, L"Static") != 0)
            return {};
        return ToW(WindowText(Previous));
    }
    static bool IsSelf(const VARIANT& AChild) { return AChild.vt == VT_I4 && AChild.lVal == CHILDID_SELF; }
    int ItemCount() const
    {
        const LRESULT Count = IsWindow(FWindow) ? SendMessageW(FWindow, LB_GETCOUNT, 0, 0) : 0;
        return Count > 0 ? static_cast<int>(Count) : 0;
    }
    // The name and the tick of an item, from the controller; empty once the view is gone.
    TAccessibleItem ListItem(int AItem) const
    {
        TAccessibleItem Item;
        AskedItem = &Item;
        SendMessageW(FWindow, WM_GET_LIST_ITEM, static_cast<WPARAM>(AItem), reinterpret_cast<LPARAM>(&Item));
        AskedItem = nullptr;
        return Item;
    }
    // The item a child id names, or -1.
    int ItemOf(const VARIANT& AChild) const
    {
        if (FKind != TAccessibleKind::CheckList || AChild.vt != VT_I4 || AChild.lVal < 1 || AChild.lVal > ItemCount())
            return -1;
        return static_cast<int>(AChild.lVal - 1);
    }

    HWND FWindow;
    TAccessibleKind FKind;
    ComPtr<IAccessible> FStandard;
};

}  // namespace

TAccessibleItem* ListItemRequest(LPARAM ALParam)
{
    return AskedItem && reinterpret_cast<LPARAM>(AskedItem) == ALParam ? AskedItem : nullptr;
}

bool AnswerGetObject(HWND AWindow, TAccessibleKind AKind, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult)
{
    if (static_cast<LONG>(ALParam) != OBJID_CLIENT)
        return false;
    ComPtr<IAccessible> Standard;
    if (FAILED(CreateStdAccessibleObject(AWindow, OBJID_CLIENT, AccessibleIid, reinterpret_cast<void**>(Standard.GetAddressOf()))))
        return false;
    const ComPtr<TAccessibleControl> Object = MakeComObject<TAccessibleControl>(AWindow, AKind, std::move(Standard));
    AResult = LresultFromObject(AccessibleIid, AWParam, static_cast<IAccessible*>(Object.Get()));
    return true;
}

}  // namespace zelv::win32
