#pragma once

#include <cstdint>
#include <functional>

#include "core/CloudSetupText.h"

namespace zelv {

// When the log's new text reaches the box that shows it. Lines come one at a time (a setup run
// logs one per company), and the box lays out and paints its text on every change, so the text
// is held and shown in one go: at most IntervalMs after the first of it came, and at once before
// any other change of the window, so nothing on the screen runs ahead of a line logged before it.
// The class decides; the caller carries out, with its own clock, timer and log box.
class TLogBatch {
public:
    // A repeating timer of the caller's that calls TimerFired until stopped.
    class ITimer {
    public:
        virtual ~ITimer() = default;
        virtual void Start(uint32_t AIntervalMs) = 0;
        virtual void Stop() = 0;
    };
    // A monotonic clock in milliseconds.
    using TClock = std::function<uint64_t()>;
    // Puts text at the end of the log box.
    using TShow = std::function<void(const UString&)>;

    static constexpr uint32_t DefaultIntervalMs = 50;

    TLogBatch(TClock AClock, ITimer& ATimer, TShow AShow, uint32_t AIntervalMs = DefaultIntervalMs);
    TLogBatch(const TLogBatch&) = delete;
    TLogBatch& operator=(const TLogBatch&) = delete;

    // New text at the end of the log. It is held, unless what is held has waited its interval
    // already: a timer's message comes only when the window has nothing else to do, and a busy
    // window would otherwise hold the lines for as long as it stays busy.
    void Append(const UString& AText);
    // Shows what is held now; called before any other change of the window is shown.
    void Flush();
    void TimerFired() { Flush(); }
    // The log was emptied: what is held is dropped, not shown.
    void Clear();
    // The window goes: what is held is shown, and nothing is held any more.
    void Close();

    bool Holding() const { return !FPending.empty(); }

private:
    void StopTimer();

    TClock FClock;
    ITimer& FTimer;
    TShow FShow;
    uint32_t FIntervalMs;
    UString FPending;
    uint64_t FHeldSince = 0;
    bool FTimerRunning = false;
    bool FClosed = false;
};

}  // namespace zelv
