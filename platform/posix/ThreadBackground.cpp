#include "platform/posix/ThreadBackground.h"

#include <chrono>

namespace zelv::posix {

TThreadWorkerPool::~TThreadWorkerPool() { JoinAll(); }

void TThreadWorkerPool::Start(std::function<void()> AWork)
{
    std::lock_guard<std::mutex> Guard(FLock);
    FThreads.emplace_back([Work = std::move(AWork)] {
        try {
            Work();
        } catch (...) {
            // Stopped at the pool's boundary, as on Windows.
        }
    });
}

void TThreadWorkerPool::JoinAll()
{
    std::vector<std::thread> Threads;
    {
        std::lock_guard<std::mutex> Guard(FLock);
        Threads.swap(FThreads);
    }
    for (std::thread& T : Threads)
        T.join();
}

void TQueueHandOver::Run(const std::function<void()>& AStep)
{
    if (std::this_thread::get_id() == FGuiThread) {
        if (!FClosed)
            AStep();
        return;
    }
    TPending Pending{&AStep};
    std::unique_lock<std::mutex> Guard(FLock);
    if (FClosed)
        return;
    FQueue.push_back(&Pending);
    FChanged.notify_all();
    FChanged.wait(Guard, [&] { return Pending.Done; });
}

void TQueueHandOver::Close()
{
    std::lock_guard<std::mutex> Guard(FLock);
    FClosed = true;
    // Waiting workers go on; their steps are dropped unrun.
    for (TPending* Pending : FQueue)
        Pending->Done = true;
    FQueue.clear();
    FChanged.notify_all();
}

int TQueueHandOver::Pump()
{
    int Ran = 0;
    while (true) {
        TPending* Pending = nullptr;
        {
            std::lock_guard<std::mutex> Guard(FLock);
            if (FQueue.empty())
                return Ran;
            Pending = FQueue.front();
            FQueue.pop_front();
        }
        if (!FClosed)
            (*Pending->Step)();
        ++Ran;
        std::lock_guard<std::mutex> Guard(FLock);
        Pending->Done = true;
        FChanged.notify_all();
    }
}

bool TQueueHandOver::PumpUntil(const std::function<bool()>& ADone, int ATimeoutMs)
{
    auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ATimeoutMs);
    while (!ADone()) {
        if (std::chrono::steady_clock::now() > Deadline)
            return false;
        if (Pump() == 0) {
            std::unique_lock<std::mutex> Guard(FLock);
            FChanged.wait_for(Guard, std::chrono::milliseconds(5), [&] { return !FQueue.empty(); });
        }
    }
    return true;
}

std::shared_ptr<platform::IGuiHandOver> TQueueGuiThread::CreateHandOver()
{
    Last = std::make_shared<TQueueHandOver>();
    return Last;
}

}  // namespace zelv::posix
