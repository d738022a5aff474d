#include <gtest/gtest.h>

#include <vector>

#include "core/CloudSetupLogBatch.h"

using namespace zelv;

namespace {

// The window's side of the batching, recorded: its clock, its timer and what reached its log box.
class LogBatch : public testing::Test, protected TLogBatch::ITimer {
protected:
    uint64_t FNow = 1000;
    bool FTimerRunning = false;
    int FTimerStarts = 0;
    std::vector<UString> FShown;
    TLogBatch FBatch{[this] { return FNow; }, *this, [this](const UString& AText) { FShown.push_back(AText); }, 50};

    void Start(uint32_t AIntervalMs) override
    {
        EXPECT_FALSE(FTimerRunning) << "started twice";
        EXPECT_EQ(AIntervalMs, 50u);
        FTimerRunning = true;
        ++FTimerStarts;
    }
    void Stop() override
    {
        EXPECT_TRUE(FTimerRunning) << "stopped a timer that was not running";
        FTimerRunning = false;
    }
    // What the window's timer does while it runs.
    void TimerTick()
    {
        if (FTimerRunning)
            FBatch.TimerFired();
    }
};

TEST_F(LogBatch, LinesOfOneIntervalReachTheBoxTogetherWhenTheTimerFires)
{
    FBatch.Append(u"Starting setup...\r\n");
    EXPECT_TRUE(FTimerRunning);
    FNow += 10;
    FBatch.Append(u"RDP: ACME\r\n");
    FNow += 10;
    FBatch.Append(u"RDP: BETA\r\n");
    EXPECT_TRUE(FShown.empty());
    EXPECT_EQ(FTimerStarts, 1);

    TimerTick();
    EXPECT_EQ(FShown, std::vector<UString>{u"Starting setup...\r\nRDP: ACME\r\nRDP: BETA\r\n"});
    EXPECT_FALSE(FTimerRunning) << "nothing is held: the timer must stop";

    // The next line starts the next batch.
    FBatch.Append(u"Downloading...\r\n");
    EXPECT_TRUE(FTimerRunning);
    TimerTick();
    EXPECT_EQ(FShown.back(), u"Downloading...\r\n");
    EXPECT_FALSE(FTimerRunning);
}

TEST_F(LogBatch, AnyOtherChangeOfTheWindowShowsTheHeldLinesFirst)
{
    FBatch.Append(u"RDP: ACME\r\n");
    FBatch.Flush();
    EXPECT_EQ(FShown, std::vector<UString>{u"RDP: ACME\r\n"});
    EXPECT_FALSE(FTimerRunning);

    // With nothing held a flush shows nothing, and a timer message already on its way finds
    // nothing either.
    FBatch.Flush();
    FBatch.TimerFired();
    EXPECT_EQ(FShown.size(), 1u);
    EXPECT_FALSE(FTimerRunning);
}

TEST_F(LogBatch, ABusyWindowStillShowsLinesOnceTheyHaveWaitedTheirInterval)
{
    // Lines keep coming and the timer's message never gets its turn.
    for (int I = 0; I < 5; ++I) {
        FBatch.Append(u"line\r\n");
        FNow += 10;
    }
    EXPECT_TRUE(FShown.empty()) << "40 ms after the first line";
    FBatch.Append(u"last\r\n");
    EXPECT_EQ(FShown, std::vector<UString>{u"line\r\nline\r\nline\r\nline\r\nline\r\nlast\r\n"});
    EXPECT_FALSE(FTimerRunning);
}

TEST_F(LogBatch, ClearingDropsTheHeldLinesAndStopsTheTimer)
{
    FBatch.Append(u"RDP: ACME\r\n");
    FBatch.Append(u"RDP: BETA\r\n");
    FBatch.Clear();
    EXPECT_FALSE(FTimerRunning);
    TimerTick();
    FBatch.Flush();
    EXPECT_TRUE(FShown.empty()) << "cleared lines must never reach the box";

    FBatch.Append(u"Starting setup...\r\n");
    EXPECT_TRUE(FTimerRunning);
    TimerTick();
    EXPECT_EQ(FShown, std::vector<UString>{u"Starting setup...\r\n"});
}

TEST_F(LogBatch, ClosingShowsTheHeldLinesAndHoldsNothingAfter)
{
    FBatch.Append(u"RDP: ACME\r\n");
    FBatch.Close();
    EXPECT_EQ(FShown, std::vector<UString>{u"RDP: ACME\r\n"});
    EXPECT_FALSE(FTimerRunning);

    FBatch.Append(u"after the window went\r\n");
    EXPECT_FALSE(FTimerRunning) << "no timer for a window that is gone";
    EXPECT_FALSE(FBatch.Holding());
    FBatch.Flush();
    EXPECT_EQ(FShown.size(), 1u);
}

}  // namespace
