#pragma once

#include <functional>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"

namespace zelv::test {

// Lower-cases ASCII like the system does under an English locale; a Turkish locale is imitated by
// mapping the capital I to the dotless small i.
class TFakeLocale : public platform::ILocale {
public:
    bool Turkish = false;
    unsigned long FailWith = 0;
    bool Failed = false;
    UString LowerCaseLinguistic(UStringView AText) override
    {
        if (Failed)
            RaiseOSError(FailWith, u"The parameter is incorrect.\r\n");
        UString Result;
        for (char16_t C : AText) {
            if (Turkish && C == u'I')
                Result += u'\u0131';
            else if (C >= u'A' && C <= u'Z')
                Result += static_cast<char16_t>(C + 32);
            else
                Result += C;
        }
        return Result;
    }
};

}  // namespace zelv::test

#include <deque>
#include <memory>

namespace zelv::test {

// Background work for controller tests on one thread: Start queues the task, RunAll runs what is
// queued (tasks may queue more). The hand-over runs steps at once until the window closes.
class TQueuedWorkerPool : public platform::IWorkerPool {
public:
    std::deque<std::function<void()>> Pending;
    void Start(std::function<void()> AWork) override { Pending.push_back(std::move(AWork)); }
    void RunAll()
    {
        while (!Pending.empty()) {
            auto Work = std::move(Pending.front());
            Pending.pop_front();
            Work();
        }
    }
};

class TDirectHandOver : public platform::IGuiHandOver {
public:
    bool Closed = false;
    int Dropped = 0;
    void Run(const std::function<void()>& AStep) override
    {
        if (Closed)
            ++Dropped;
        else
            AStep();
    }
    void Close() override { Closed = true; }
};

class TDirectGuiThread : public platform::IGuiThread {
public:
    std::shared_ptr<TDirectHandOver> Last;
    std::shared_ptr<platform::IGuiHandOver> CreateHandOver() override
    {
        Last = std::make_shared<TDirectHandOver>();
        return Last;
    }
};

}  // namespace zelv::test
