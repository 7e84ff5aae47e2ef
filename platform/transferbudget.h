#pragma once

#include "criticalsection.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>

// One budget of bytes a second that every transfer of the process draws
// from before it hands bytes on: a token bucket, with no limit at rate 0.
// Each grant is at most a short slice of the rate shared among the
// transfers drawing, and while the budget is spent they are served in
// turn, so that none of them takes the whole of it.
class CTransferBudget {
public:
    static CTransferBudget& Global();

    // Takes effect for the next draw of every transfer.
    void SetRate(uint64_t bytesPerSecond);
    uint64_t GetRate() const { return m_nRate.load(std::memory_order_relaxed); }

    // Up to `wanted` bytes, granted now; 0 while the budget is spent, and
    // then `waitMs` tells how long until a slice is due.
    size_t Take(const void* who, size_t wanted, int& waitMs);

    // A transfer counts towards the sharing from its first draw to its end.
    void Join(const void* who);
    void Leave(const void* who);

private:
    using Clock = std::chrono::steady_clock;
    void Refill(Clock::time_point now);

    std::atomic<uint64_t> m_nRate{0};
    CCriticalSection m_cs;
    double m_tokens = 0;
    Clock::time_point m_last = Clock::now();
    int m_nDrawing = 0;
    std::deque<const void*> m_waiting;  // in the order they found the budget spent
};
