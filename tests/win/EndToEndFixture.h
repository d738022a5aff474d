#pragma once

// The end-to-end tests' fixture: a clean machine (no connection files, add-in key or UDP policy, a
// machine-wide folder of the test's own), the user who types and clicks, and the sign-in and run
// every test of the whole program starts from. The tests of the shipped exe share it
// (EndToEndTest.cpp, planting/PlantingTest.cpp).
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "service/CloudSetupJson.h"
#include "win/StandinControl.h"
#include "win/WindowDriver.h"
#include "workstation/CloudSetupWinActions.h"

namespace zelv::test {

inline constexpr DWORD SignInTimeoutMs = 15000;
inline constexpr DWORD RunTimeoutMs = 30000;  // the UDP step starts the prefix's cmd.exe and reg.exe

inline const std::wstring Demo = L"demo@example.test";

inline std::wstring W(const UString& AText) { return win32::W(AText); }

inline std::filesystem::path DesktopFolder()
{
    wchar_t Path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, Path);
    return Path;
}

struct TCompany {
    const wchar_t* Code;
    const char16_t* Address;
};
// The demo user's companies: direct inside the cloud domain, the one with rules of its own, and
// one reached through the gateway.
inline const TCompany Companies[] = {
    {L"ACME", u"rds01.acme.zelvcloud.invalid"},
    {L"HQV", u"rds.hqv.zelvcloud.invalid"},
    {L"ZELV", u"zelvhq01"},
};

inline std::filesystem::path FileOf(const TCompany& ACompany) { return DesktopFolder() / (std::wstring(ACompany.Code) + L" Zelv Cloud.rdp"); }

inline std::string Utf8(const std::wstring& AText) { return DebugUtf8(win32::U(AText)); }

// What a user does with the window: typing, keys and clicks, each as the window gets it from the
// keyboard and the mouse.
class TUser {
public:
    explicit TUser(const TProgram& AProgram) : P(AProgram) {}

    // Selects all of the box's text, as Ctrl+A does, and types AText over it.
    void TypeInto(TCtl ABox, const std::wstring& AText)
    {
        HWND Box = P.Child(ABox);
        SendMessageW(Box, EM_SETSEL, 0, -1);
        if (AText.empty())
            PostMessageW(Box, WM_CHAR, VK_BACK, 0);
        for (wchar_t Typed : AText)
            PostMessageW(Box, WM_CHAR, Typed, 0);
        EXPECT_TRUE(WaitFor([&] { return P.Text(ABox) == AText; })) << Utf8(P.Text(ABox));
    }
    void PressEnter(TCtl ABox) { PostMessageW(P.Child(ABox), WM_KEYDOWN, VK_RETURN, 0); }
    void Click(TCtl AButton) { PostMessageW(P.Child(AButton), BM_CLICK, 0, 0); }
    void ClickLink() { ClickAt(P.Child(TCtl::FLblShowLog), 5, 5); }
    void ClickListItem(int AIndex)
    {
        HWND List = P.Child(TCtl::lstCompanies);
        RECT Item = {};
        ASSERT_NE(SendMessageW(List, LB_GETITEMRECT, AIndex, reinterpret_cast<LPARAM>(&Item)), LB_ERR);
        ClickAt(List, Item.left + 12, (Item.top + Item.bottom) / 2);
    }

    // Waits until the window is idle again: nothing busy, the boxes usable.
    bool Idle()
    {
        return WaitFor([&] { return !P.Showing(TCtl::AniIndicator) && P.Enabled(TCtl::edtEmail); }, SignInTimeoutMs);
    }

private:
    static void ClickAt(HWND AWindow, int AX, int AY)
    {
        PostMessageW(AWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(AX, AY));
        PostMessageW(AWindow, WM_LBUTTONUP, 0, MAKELPARAM(AX, AY));
    }
    const TProgram& P;
};

class EndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ResetStandins();
        CleanMachine();
        // A machine-wide folder of this test's own, so every run installs the add-in afresh. The
        // program inherits it.
        wchar_t Temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, Temp);
        FAllUsers = std::filesystem::path(Temp) / (L"zelv-e2e-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::create_directories(FAllUsers);
        GetEnvironmentVariableW(L"AllUsersProfile", FSavedAllUsers, MAX_PATH);
        SetEnvironmentVariableW(L"AllUsersProfile", FAllUsers.c_str());
    }

    void TearDown() override
    {
        SetEnvironmentVariableW(L"AllUsersProfile", FSavedAllUsers[0] ? FSavedAllUsers : nullptr);
        // The demo (scripts/run without a display) keeps what the program wrote, to show it.
        if (GetEnvironmentVariableW(L"ZELV_E2E_KEEP", nullptr, 0) == 0) {
            std::error_code Ignored;
            std::filesystem::remove_all(FAllUsers, Ignored);
            CleanMachine();
        }
        ResetStandins();
        CoUninitialize();
    }

    static void CleanMachine()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, W(TWinActions::AddinKeyPath).c_str());
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, W(TWinActions::PolicyKeyPath).c_str(), W(TWinActions::PolicyValueName).c_str());
        for (const TCompany& C : Companies)
            DeleteFileW(FileOf(C).c_str());
    }

    std::filesystem::path AddinPath() const { return FAllUsers / L"ZelvCloud" / L"zelvcloud64.dll"; }

    // Asks for a code for the demo user, typing the address with capitals and blanks.
    void RequestCode(const TProgram& AProgram, TUser& AUser, const std::wstring& AScreenshots)
    {
        auto Shot = [&](const wchar_t* AState) {
            if (!AScreenshots.empty())
                AProgram.Screenshot(AScreenshots + AState);
        };
        Shot(L"01-email");
        AUser.TypeInto(TCtl::edtEmail, L"  Demo@Example.TEST ");
        Shot(L"02-email-typed");
        AUser.PressEnter(TCtl::edtEmail);
        ASSERT_TRUE(WaitFor([&] { return AProgram.Showing(TCtl::edtCode); }, SignInTimeoutMs))
            << Utf8(AProgram.Text(TCtl::lblEmailStatus));
        EXPECT_EQ(AProgram.Text(TCtl::edtEmail), L"  Demo@Example.TEST ") << "the box keeps what was typed";
        ASSERT_TRUE(AUser.Idle());
        Shot(L"03-code");
        FCode = OutboxCode(Demo);
        ASSERT_EQ(FCode.size(), 6u) << "a code was sent to the trimmed, lower-cased address";
    }

    // Signs the demo user in the way a person would, up to the companies page.
    void SignIn(const TProgram& AProgram, TUser& AUser, const std::wstring& AScreenshots = {})
    {
        ASSERT_NO_FATAL_FAILURE(RequestCode(AProgram, AUser, AScreenshots));
        AUser.TypeInto(TCtl::edtCode, FCode);
        if (!AScreenshots.empty())
            AProgram.Screenshot(AScreenshots + L"04-code-typed");
        AUser.Click(TCtl::btnVerify);
        ASSERT_TRUE(WaitFor([&] { return AProgram.Showing(TCtl::lstCompanies); }, SignInTimeoutMs))
            << Utf8(AProgram.Text(TCtl::lblCodeStatus));
        ASSERT_TRUE(AUser.Idle());
        EXPECT_EQ(SendMessageW(AProgram.Child(TCtl::lstCompanies), LB_GETCOUNT, 0, 0), 3);
        EXPECT_EQ(AProgram.Ticks(), (std::vector<bool>{true, true, true})) << "every company starts ticked";
        if (!AScreenshots.empty())
            AProgram.Screenshot(AScreenshots + L"05-companies");
    }

    // Waits for the end of the run and gives the log's lines.
    std::vector<std::wstring> FinishedLog(const TProgram& AProgram)
    {
        EXPECT_TRUE(WaitFor([&] { return AProgram.Text(TCtl::btnSetup) == L"Close"; }, RunTimeoutMs))
            << Utf8(AProgram.Text(TCtl::memoStatus));
        return Lines(AProgram.Text(TCtl::memoStatus));
    }

    void ExpectClosedCleanly(const TProgram& AProgram, DWORD ATimeoutMs = StepTimeoutMs)
    {
        ASSERT_EQ(WaitForSingleObject(AProgram.Process(), ATimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
        DWORD ExitCode = 1;
        GetExitCodeProcess(AProgram.Process(), &ExitCode);
        EXPECT_EQ(ExitCode, 0u);
    }

    std::wstring FCode;
    std::filesystem::path FAllUsers;
    wchar_t FSavedAllUsers[MAX_PATH] = {};
};

}  // namespace zelv::test
