#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/IBackground.h"

namespace zelv::posix {

// Real threads for the native tests of the background work (and ThreadSanitizer): every task gets
// a thread of its own, joined when the pool goes.
class TThreadWorkerPool : public platform::IWorkerPool {
public:
    ~TThreadWorkerPool() override;
    void Start(std::function<void()> AWork) override;
    void JoinAll();

private:
    std::mutex FLock;
    std::vector<std::thread> FThreads;
};

// The GUI thread of a native test: the thread that made the hand-over runs the steps that workers
// send when it calls Pump, as a window's message loop would.
class TQueueHandOver : public platform::IGuiHandOver {
public:
    void Run(const std::function<void()>& AStep) override;
    void Close() override;
    // Runs every step sent so far; returns how many ran.
    int Pump();
    // Pumps until ADone() holds or the time runs out (milliseconds).
    bool PumpUntil(const std::function<bool()>& ADone, int ATimeoutMs = 5000);

private:
    struct TPending {
        const std::function<void()>* Step;
        bool Done = false;
    };
    std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<TPending*> FQueue;
    bool FClosed = false;
    std::thread::id FGuiThread = std::this_thread::get_id();
};

class TQueueGuiThread : public platform::IGuiThread {
public:
    std::shared_ptr<TQueueHandOver> Last;
    std::shared_ptr<platform::IGuiHandOver> CreateHandOver() override;
};

}  // namespace zelv::posix
