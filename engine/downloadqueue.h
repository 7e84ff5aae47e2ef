#pragma once

#include <deque>
#include <vector>

class CMyYouTubeDownloader;

// Decides when a job runs. Jobs asked to start wait, first in first out,
// while the most downloads allowed at once are running, and the next one
// starts when a slot frees. The jobs stay their list items'; the window
// asks here to start, stop and remove them and never starts one itself.
// The user-interface thread alone calls it.
class CDownloadQueue {
public:
    // 0: no limit.
    explicit CDownloadQueue(int limit);
    CDownloadQueue(const CDownloadQueue&) = delete;
    CDownloadQueue& operator=(const CDownloadQueue&) = delete;

    // A higher limit starts waiting jobs at once; a lower one stops nothing.
    void SetLimit(int limit);
    int GetLimit() const { return m_nLimit; }

    // Starts the job (a new run) or resumes it once a slot is free; until
    // then it waits, DS_QUEUED. A job waiting or running already stays so.
    void Start(CMyYouTubeDownloader* job);
    void Resume(CMyYouTubeDownloader* job);
    // A waiting job leaves the queue and ends stopped, having sent nothing;
    // a running one is asked to stop.
    void Stop(CMyYouTubeDownloader* job);
    // Forgets the job, before its item discards it; its slot frees.
    void Remove(CMyYouTubeDownloader* job);
    // The exit: the waiting jobs end stopped, the running ones are stopped.
    void StopAll();

    // Starts waiting jobs while slots are free: a job that finished frees
    // its slot only here, so the window calls this often.
    void Poll();

    // Jobs started here that have not finished, and jobs waiting.
    int Running();
    int Queued() const { return int(m_waiting.size()); }

private:
    struct Waiting {
        CMyYouTubeDownloader* job;
        bool resume;
    };
    void Ask(CMyYouTubeDownloader* job, bool resume);
    bool Knows(const CMyYouTubeDownloader* job) const;
    void Forget(const CMyYouTubeDownloader* job);
    void DropFinished();

    int m_nLimit;
    std::deque<Waiting> m_waiting;
    std::vector<CMyYouTubeDownloader*> m_running;
};
