#include "transferbudget.h"

#include <algorithm>
#include <cmath>

namespace {

// What the bucket holds at most, and one transfer's slice, in seconds of the rate.
constexpr double kBurstSeconds = 0.1;
constexpr double kSliceSeconds = 0.02;
// The longest sleep between looks, so that a raised rate or a stop is seen soon.
constexpr int kMaxWaitMs = 50;

}  // namespace

CTransferBudget& CTransferBudget::Global()
{
    static CTransferBudget budget;
    return budget;
}

void CTransferBudget::SetRate(uint64_t bytesPerSecond)
{
    CSingleLock lock(m_cs);
    Refill(Clock::now());
    m_nRate.store(bytesPerSecond, std::memory_order_relaxed);
    m_tokens = std::min(m_tokens, double(bytesPerSecond) * kBurstSeconds);
}

void CTransferBudget::Refill(Clock::time_point now)
{
    const double rate = double(m_nRate.load(std::memory_order_relaxed));
    const double seconds = std::chrono::duration<double>(now - m_last).count();
    m_last = now;
    m_tokens = std::min(m_tokens + seconds * rate, std::max(rate * kBurstSeconds, 1.0));
}

size_t CTransferBudget::Take(const void* who, size_t wanted, int& waitMs)
{
    waitMs = 0;
    if (m_nRate.load(std::memory_order_relaxed) == 0)
        return wanted;  // no limit: no lock either
    CSingleLock lock(m_cs);
    const double rate = double(m_nRate.load(std::memory_order_relaxed));
    if (rate == 0)
        return wanted;
    Refill(Clock::now());
    const double slice = std::max(1.0, rate * kSliceSeconds / std::max(1, m_nDrawing));
    const bool turn = m_waiting.empty() || m_waiting.front() == who;
    const double granted = turn ? std::floor(std::min({double(wanted), m_tokens, slice})) : 0;
    if (granted >= 1) {
        m_tokens -= granted;
        if (!m_waiting.empty())
            m_waiting.pop_front();
        return size_t(granted);
    }
    if (std::find(m_waiting.begin(), m_waiting.end(), who) == m_waiting.end())
        m_waiting.push_back(who);
    const double missing = std::max(1.0, std::min(double(wanted), slice) - m_tokens);
    waitMs = std::clamp(int(std::ceil(missing / rate * 1000)), 1, kMaxWaitMs);
    return 0;
}

void CTransferBudget::Join(const void*)
{
    CSingleLock lock(m_cs);
    ++m_nDrawing;
}

void CTransferBudget::Leave(const void* who)
{
    CSingleLock lock(m_cs);
    --m_nDrawing;
    m_waiting.erase(std::remove(m_waiting.begin(), m_waiting.end(), who), m_waiting.end());
}
