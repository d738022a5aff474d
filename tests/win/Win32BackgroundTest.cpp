#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <vector>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"

using namespace zelv;

namespace {

// Pumps the GUI thread's messages until the condition holds or two seconds pass.
template <class Condition>
bool PumpUntil(Condition ADone)
{
    DWORD Start = GetTickCount();
    while (!ADone()) {
        if (GetTickCount() - Start > 2000)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG Message;
        while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&Message);
    }
    return true;
}

TEST(Win32Background, WorkerStepsRunOnTheGuiThreadInOrderAndBlockTheWorker)
{
    auto HandOver = platform::GuiThread().CreateHandOver();
    const DWORD GuiThread = GetCurrentThreadId();
    std::vector<int> Seen;  // touched only by GUI steps
    std::atomic<bool> Done{false};
    std::atomic<DWORD> WorkerThread{0};

    platform::WorkerPool().Start([=, &Seen, &Done, &WorkerThread] {
        WorkerThread = GetCurrentThreadId();
        for (int I = 0; I < 3; ++I) {
            HandOver->Run([&Seen, I, GuiThread] {
                EXPECT_EQ(GetCurrentThreadId(), GuiThread);
                Seen.push_back(I);
            });
            // The hand-over is blocking: the step has run when Run returns.
            HandOver->Run([&Seen, I] { EXPECT_EQ(Seen.size(), static_cast<size_t>(I + 1)); });
        }
        Done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return Done.load(); }));
    EXPECT_NE(WorkerThread.load(), GuiThread);
    EXPECT_EQ(Seen, (std::vector<int>{0, 1, 2}));
    HandOver->Close();
}

TEST(Win32Background, StepsAfterCloseAreDroppedAndTheWorkerGoesOn)
{
    auto HandOver = platform::GuiThread().CreateHandOver();
    HandOver->Close();
    std::atomic<bool> Ran{false};
    std::atomic<bool> Done{false};
    platform::WorkerPool().Start([HandOver, &Ran, &Done] {
        HandOver->Run([&Ran] { Ran = true; });
        Done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return Done.load(); }));
    EXPECT_FALSE(Ran.load());
}

TEST(Win32Background, AFailureInATaskStopsAtThePoolBoundary)
{
    std::atomic<bool> After{false};
    platform::WorkerPool().Start([] { throw ECloudSetupError(u"escaped"); });
    platform::WorkerPool().Start([&After] { After = true; });
    ASSERT_TRUE(PumpUntil([&] { return After.load(); }));
}

}  // namespace
