#include "core/CloudSetupLogBatch.h"

#include <utility>

namespace zelv {

TLogBatch::TLogBatch(TClock AClock, ITimer& ATimer, TShow AShow, uint32_t AIntervalMs)
    : FClock(std::move(AClock)), FTimer(ATimer), FShow(std::move(AShow)), FIntervalMs(AIntervalMs)
{
}

void TLogBatch::Append(const UString& AText)
{
    if (FClosed || AText.empty())
        return;
    const uint64_t Now = FClock();
    if (FPending.empty()) {
        FHeldSince = Now;
        if (!FTimerRunning) {
            FTimer.Start(FIntervalMs);
            FTimerRunning = true;
        }
    }
    FPending += AText;
    if (Now - FHeldSince >= FIntervalMs)
        Flush();
}

void TLogBatch::Flush()
{
    // The timer stops whenever nothing is held, also when its message came after a flush.
    StopTimer();
    if (FPending.empty())
        return;
    // Taken first: the text is shown once, even if showing it fails.
    const UString Text = std::exchange(FPending, UString());
    FShow(Text);
}

void TLogBatch::Clear()
{
    FPending.clear();
    StopTimer();
}

void TLogBatch::Close()
{
    Flush();
    FClosed = true;
}

void TLogBatch::StopTimer()
{
    if (!FTimerRunning)
        return;
    FTimerRunning = false;
    FTimer.Stop();
}

}  // namespace zelv
