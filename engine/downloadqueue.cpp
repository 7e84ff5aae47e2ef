#include "downloadqueue.h"

#include "myyoutubedownloader.h"

#include <algorithm>

CDownloadQueue::CDownloadQueue(int limit) : m_nLimit(std::max(0, limit))
{
}

void CDownloadQueue::SetLimit(int limit)
{
    m_nLimit = std::max(0, limit);
    Poll();
}

void CDownloadQueue::Start(CMyYouTubeDownloader* job)
{
    Ask(job, false);
}

void CDownloadQueue::Resume(CMyYouTubeDownloader* job)
{
    Ask(job, true);
}

void CDownloadQueue::Ask(CMyYouTubeDownloader* job, bool resume)
{
    DropFinished();
    if (!job || Knows(job))
        return;
    if (!job->Queue())
        return;  // its last worker has not handed it back yet
    m_waiting.push_back({job, resume});
    Poll();
}

void CDownloadQueue::Stop(CMyYouTubeDownloader* job)
{
    const auto waiting =
        std::find_if(m_waiting.begin(), m_waiting.end(), [job](const Waiting& w) { return w.job == job; });
    if (waiting != m_waiting.end()) {
        m_waiting.erase(waiting);
        job->Unqueue(DE_STOPPED);
    } else if (std::find(m_running.begin(), m_running.end(), job) != m_running.end()) {
        job->Stop();
    }
}

void CDownloadQueue::Remove(CMyYouTubeDownloader* job)
{
    Forget(job);
    Poll();
}

void CDownloadQueue::StopAll()
{
    for (const Waiting& w : m_waiting)
        w.job->Unqueue(DE_STOPPED);
    m_waiting.clear();
    for (CMyYouTubeDownloader* job : m_running)
        job->Stop();
}

void CDownloadQueue::Poll()
{
    DropFinished();
    while (!m_waiting.empty() && (m_nLimit == 0 || int(m_running.size()) < m_nLimit)) {
        const Waiting next = m_waiting.front();
        m_waiting.pop_front();
        // A job whose worker cannot be created ends at once and holds no slot.
        if (next.resume ? next.job->Resume() : next.job->Start())
            m_running.push_back(next.job);
    }
}

int CDownloadQueue::Running()
{
    DropFinished();
    return int(m_running.size());
}

bool CDownloadQueue::Knows(const CMyYouTubeDownloader* job) const
{
    return std::find(m_running.begin(), m_running.end(), job) != m_running.end() ||
           std::any_of(m_waiting.begin(), m_waiting.end(), [job](const Waiting& w) { return w.job == job; });
}

void CDownloadQueue::Forget(const CMyYouTubeDownloader* job)
{
    m_running.erase(std::remove(m_running.begin(), m_running.end(), job), m_running.end());
    m_waiting.erase(
        std::remove_if(m_waiting.begin(), m_waiting.end(), [job](const Waiting& w) { return w.job == job; }),
        m_waiting.end());
}

void CDownloadQueue::DropFinished()
{
    m_running.erase(
        std::remove_if(m_running.begin(), m_running.end(), [](CMyYouTubeDownloader* job) { return !job->IsRunning(); }),
        m_running.end());
}
