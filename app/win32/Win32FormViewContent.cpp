// The changes of the content of the company list and of the log, as the controller reports them:
// each touches only what changed, whatever the length of the list or of the log.
#include "app/win32/Win32FormView.h"

#include "app/win32/Win32Controls.h"

namespace zelv::win32 {

HWND TWin32FormView::ContentWindow(const TControl& AControl)
{
    if (!FView.Window())
        return nullptr;
    if (FDeferred.AnyShowing())
        FDeferred.MakeAll();
    return FDeferred.IsPending(AControl.Id) ? nullptr : FView.Child(AControl.Id);
}

void TWin32FormView::ListFilled(const TControl& AList)
{
    FLog.Flush();
    if (HWND List = ContentWindow(AList))
        FillCheckList(List, AList);
}

void TWin32FormView::ListItemChanged(const TControl& AList, size_t AIndex)
{
    FLog.Flush();
    if (HWND List = ContentWindow(AList))
        UpdateCheckListItem(List, AList, AIndex);
}

// A log box still to be made gets the whole text when it is made.
void TWin32FormView::LogAppended(const TControl& ALog, const UString& AText)
{
    if (ContentWindow(ALog))
        FLog.Append(AText);
}

void TWin32FormView::LogCleared(const TControl& ALog)
{
    FLog.Clear();
    if (HWND Log = ContentWindow(ALog))
        ClearLogBox(Log);
}

void TWin32FormView::ShowLogText(const UString& AText)
{
    if (HWND Log = FView.Child(TCtl::memoStatus))
        AppendToLog(Log, AText);
}

void TWin32FormView::TLogTimer::Start(uint32_t AIntervalMs)
{
    SetTimer(FView.Window(), LogTimer, AIntervalMs, nullptr);
}

void TWin32FormView::TLogTimer::Stop()
{
    if (FView.Window())
        KillTimer(FView.Window(), LogTimer);
}

}  // namespace zelv::win32
