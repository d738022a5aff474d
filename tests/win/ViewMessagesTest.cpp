// What the window's view sends its controls for a change of their content, counted in the test
// build at the company list and the log box: the view's work must follow the size of the change,
// never the number of companies or lines. And input on the list: only where the window shows it,
// and the keys a list box of strings answers.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <algorithm>
#include <vector>

#include "app/frmMainLayout.h"
#include "app/win32/Win32ViewMessages.h"
#include "win/WindowDriver.h"

using namespace zelv;
using namespace zelv::test;

namespace {

TViewMessages Count(const TProgram& AProgram, TViewEvent AEvent, int AN)
{
    return TViewMessages::Unpack(AProgram.Hook(tcCountViewMessages, MAKELPARAM(AEvent, AN)));
}

struct TEventCase {
    const char* Name;
    TTestLayout Layout;  // the list or the log in view
    TViewEvent Event;
};

class ViewMessages : public testing::TestWithParam<TEventCase> {};

// A few against a thousand: both more than the box shows, so both scroll.
TEST_P(ViewMessages, DoNotGrowWithTheNumberOfCompaniesOrLines)
{
    const TEventCase& Case = GetParam();
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, Case.Layout);
    const TViewMessages Few = Count(Program, Case.Event, 50), Many = Count(Program, Case.Event, 1000);
    RecordProperty("list", std::to_string(Few.List) + " / " + std::to_string(Many.List));
    RecordProperty("log", std::to_string(Few.Log) + " / " + std::to_string(Many.Log));
    EXPECT_GT(Few.List + Few.Log, 0) << "nothing was counted";
    EXPECT_EQ(Many.List, Few.List) << "messages to the company list, 50 against 1000";
    EXPECT_EQ(Many.Log, Few.Log) << "messages to the log box, 50 against 1000";
}

INSTANTIATE_TEST_SUITE_P(Events, ViewMessages, testing::Values(
    TEventCase{"FillingTheList", tlSelection, veFillList},
    TEventCase{"OneTick", tlSelection, veTick},
    TEventCase{"APropertyOfTheList", tlSelection, veListChange},
    TEventCase{"LogLines", tlFinishedLogOpened, veLogLines}),
    [](const testing::TestParamInfo<TEventCase>& AInfo) { return std::string(AInfo.param.Name); });

// Lines logged one by one reach the log box once, as they are: the text the box already holds is
// never sent again.
TEST(ViewMessagesOfTheLog, OnlyTheNewLinesAreSent)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, tlFinishedLogOpened);
    const TViewMessages Lines = Count(Program, veLogLines, 1000);
    // A thousand lines shown before, and a thousand of the same length after them.
    EXPECT_EQ(Lines.LogCharacters, static_cast<long>(Program.Text(TCtl::memoStatus).size() / 2));
}

// A clear drops the lines still held for the log box: none of them shows, and nothing is left to
// show later, so the log's timer is stopped.
TEST(ViewMessagesOfTheLog, AClearWithLinesPendingShowsNoneOfThem)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, tlFinishedLogOpened);
    const TViewMessages Cleared = Count(Program, veClearPending, 1000);
    EXPECT_EQ(Cleared.LogCharacters, 0) << "cleared lines reached the log box";
    EXPECT_EQ(Program.Text(TCtl::memoStatus), L"");
    EXPECT_EQ(Program.Hook(tcLogTimerSet, 0), 0) << "the log's timer runs on with nothing to show";

    // Lines logged after the clear are shown as before.
    const TViewMessages Next = Count(Program, veLogLines, 1);
    const std::wstring Line = L"RDP: C:\\users\\demo\\Desktop\\C0 Zelv Cloud.rdp\r\n";
    EXPECT_EQ(Program.Text(TCtl::memoStatus), Line + Line);
    EXPECT_EQ(Next.LogCharacters, static_cast<long>(Line.size()));
    EXPECT_EQ(Program.Hook(tcLogTimerSet, 0), 0) << "the log's timer runs on once its lines are shown";
}

// The tests that read the list as a screen reader does, through MSAA.
class WithCom : public testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};
class ScreenReaderOnTheList : public WithCom {};
class KeyboardOnTheList : public WithCom {};

// A screen reader's default action on an item posts the key a user would press. On a disabled
// list it must tick nothing, though a posted key reaches a disabled window.
TEST_F(ScreenReaderOnTheList, TicksNothingWhileTheListIsDisabled)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, tlSelection);
    ASSERT_EQ(Program.Ticks(), (std::vector<bool>{true, true, false}));
    HWND List = Program.Child(TCtl::lstCompanies);
    auto Accessible = AccessibleOf(List);
    ASSERT_TRUE(Accessible);
    const auto Item = [](LONG AChild) {
        VARIANT Child;
        VariantInit(&Child);
        Child.vt = VT_I4;
        Child.lVal = AChild;
        return Child;
    };

    Program.Hook(tcSetEnabled, MAKELPARAM(Id(TCtl::lstCompanies), 0));
    EXPECT_TRUE(ReadAccessible(*Accessible.Get()).State & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_TRUE(SUCCEEDED(Accessible->accDoDefaultAction(Item(1))));
    // Posted after the action's key, so the list has had that key once it has this one.
    PostMessageW(List, LB_SETCURSEL, 2, 0);
    ASSERT_TRUE(Program.Wait([&] { return SendMessageW(List, LB_GETCURSEL, 0, 0) == 2; }));
    EXPECT_EQ(Program.Ticks(), (std::vector<bool>{true, true, false})) << "a tick was taken on the disabled list";

    // Enabled again, the same action ticks.
    Program.Hook(tcSetEnabled, MAKELPARAM(Id(TCtl::lstCompanies), 1));
    EXPECT_FALSE(ReadAccessible(*Accessible.Get()).State & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_TRUE(SUCCEEDED(Accessible->accDoDefaultAction(Item(1))));
    EXPECT_TRUE(Program.Wait([&] { return Program.Ticks() == std::vector<bool>{false, true, false}; }));
}

// The list answers its accessible object's question for an item through a pointer it is handed:
// the same message from another process gets no answer and writes nowhere.
TEST_F(ScreenReaderOnTheList, AnswersNoOtherProcessAskingForAnItem)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, tlSelection);
    HWND List = Program.Child(TCtl::lstCompanies);
    // Memory of the program's, zeroed, as another process could name it.
    constexpr SIZE_T Size = 4096;
    void* Memory = VirtualAllocEx(Program.Process(), nullptr, Size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(Memory, nullptr);
    DWORD_PTR Answer = 1;
    EXPECT_TRUE(SendMessageTimeoutW(List, win32::WM_GET_LIST_ITEM, 0, reinterpret_cast<LPARAM>(Memory), SMTO_ABORTIFHUNG,
                                    StepTimeoutMs, &Answer));
    EXPECT_EQ(Answer, 0u);
    std::vector<char> Bytes(Size, 1);
    SIZE_T Read = 0;
    ASSERT_TRUE(ReadProcessMemory(Program.Process(), Memory, Bytes.data(), Size, &Read));
    EXPECT_EQ(std::count(Bytes.begin(), Bytes.end(), 0), static_cast<long>(Size)) << "written through the pointer";
    VirtualFreeEx(Program.Process(), Memory, 0, MEM_RELEASE);
    EXPECT_EQ(Program.Ticks(), (std::vector<bool>{true, true, false})) << "the program still answers";
}

// The list box holds no names to search, yet a letter typed on the list goes to the next company
// whose name starts with it, round to the top, as in a list box of strings.
TEST_F(KeyboardOnTheList, ALetterGoesToTheNextCompanyStartingWithIt)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    Program.Hook(tcShowLayout, tlSelection);  // ACME, BETA-01, GAMMA; the caret on GAMMA
    HWND List = Program.Child(TCtl::lstCompanies);
    const auto Type = [&](wchar_t AKey) {
        SendMessageW(List, WM_CHAR, AKey, 0);
        return SendMessageW(List, LB_GETCURSEL, 0, 0);
    };
    EXPECT_EQ(Type(L'b'), 1);
    EXPECT_EQ(Type(L'A'), 0);
    EXPECT_EQ(Type(L'a'), 0) << "the only one starting with it";
    EXPECT_EQ(Type(L'x'), 0) << "none starts with it: the caret stays";
    EXPECT_EQ(Type(L'g'), 2);
    EXPECT_EQ(Program.Ticks(), (std::vector<bool>{true, true, false})) << "a letter ticks nothing";
}

}  // namespace
