// The background work with real threads (run under ThreadSanitizer by the native-tsan preset).
#include <gtest/gtest.h>

#include <atomic>

#include "app/CloudSetupRun.h"
#include "platform/posix/ThreadBackground.h"

using namespace zelv;

namespace {

TEST(ThreadedHandOver, EveryLogLineIsShownByTheGuiThreadBeforeTheWorkerGoesOn)
{
    posix::TThreadWorkerPool Pool;
    auto HandOver = std::make_shared<posix::TQueueHandOver>();
    std::vector<UString> Log;   // GUI thread only
    std::vector<size_t> SeenByWorker;  // worker only, read after join
    std::atomic<bool> Done{false};

    TSetupSteps Steps;
    Steps.GetDesktopPath = [] { return UString(u"D"); };
    Steps.WriteRDPFile = [](const UString& D, const UString& C, const UString&) { return D + u"\\" + C; };
    Steps.DownloadDLL = [](UString&) { return true; };
    Steps.GetDLLInstallPath = [] { return UString(u"P\\"); };
    Steps.GetDLLFileName = [] { return UString(u"f.dll"); };
    Steps.RegisterDLLInRegistry = [] { return true; };
    Steps.DisableUDP = [] { return true; };
    const TCompanyList Companies{{u"A", u"a", true}, {u"B", u"b", true}};

    Pool.Start([&, HandOver] {
        RunSetup(Steps, Companies, {0, 1}, [&](const UString& ALine) {
            HandOver->Run([&] { Log.push_back(ALine); });
            size_t Count = 0;
            HandOver->Run([&] { Count = Log.size(); });
            SeenByWorker.push_back(Count);
        });
        HandOver->Run([&] { Done = true; });
    });
    ASSERT_TRUE(HandOver->PumpUntil([&] { return Done.load(); }));
    Pool.JoinAll();
    ASSERT_EQ(Log.size(), 8u);
    EXPECT_EQ(Log.front(), u"RDP: D\\A");
    for (size_t I = 0; I < SeenByWorker.size(); ++I)
        EXPECT_EQ(SeenByWorker[I], I + 1) << "line " << I << " was not shown before the worker went on";
}

TEST(ThreadedHandOver, AClosedWindowDropsStepsAndReleasesWaitingWorkers)
{
    posix::TThreadWorkerPool Pool;
    auto HandOver = std::make_shared<posix::TQueueHandOver>();
    std::atomic<int> Ran{0};
    std::atomic<bool> Sent{false};
    Pool.Start([HandOver, &Ran, &Sent] {
        Sent = true;
        HandOver->Run([&Ran] { ++Ran; });  // waits until the GUI thread closes the window
        HandOver->Run([&Ran] { ++Ran; });  // after close: dropped at once
    });
    while (!Sent)
        std::this_thread::yield();
    HandOver->Close();
    Pool.JoinAll();
    EXPECT_EQ(HandOver->Pump(), 0);
    EXPECT_EQ(Ran.load(), 0);
}

}  // namespace
