#pragma once

#include "platform/criticalsection.h"
#include "platform/internetsession.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

class CHttpFile;

// What the network steps of a download need: the session, the video id, the
// stop request and the worker handle. The owner answers four queries and
// receives every piece of progress through the notifications.
class CYouTubeDownloader {
public:
    CYouTubeDownloader();  // opens the session; throws CInternetException when refused
    virtual ~CYouTubeDownloader();
    CYouTubeDownloader(const CYouTubeDownloader&) = delete;
    CYouTubeDownloader& operator=(const CYouTubeDownloader&) = delete;

    // Derives the video id from an entered address; false (id unchanged) when not accepted.
    bool SetAddress(const QString& address);
    QString GetVideoId() const { return m_strVideoId; }

    // False when a worker runs. A worker that cannot be created ends the
    // job at once, finished with an outcome that says so.
    bool Start();
    // Start, but the video continues the partial file of the last run when
    // this run leads to the same file and the site sends the rest of it.
    bool Resume();
    void Stop();
    bool IsStopping();

    // Tests shorten the 20-second receive time-out with this.
    static void SetReceiveTimeout(uint32_t ms) { s_dwReceiveTimeout = ms; }

protected:
    virtual void GetVideoFolder(QString& folder) = 0;
    virtual void GetTempFolder(QString& folder) = 0;
    virtual void GetFileTitle(QString& title) = 0;
    virtual bool IsMp4Preferred() = 0;
    // For a resumed run: the file it may continue and the length stored for
    // it, when this run's title and extension lead to that very file.
    virtual bool GetResumeFile(const QString& /*title*/, const QString& /*extension*/, QString& /*path*/,
                               int64_t& /*length*/)
    {
        return false;
    }
    // The video file the job had written before this run: the one file of
    // its title it may write over.
    virtual void GetEarlierVideoPath(QString& /*path*/) {}

    virtual void OnThumbnailStart() {}
    virtual void OnThumbnailDone(const QString& /*path*/) {}
    // Before OnVideoStart when the transfer continues a file of this many bytes.
    virtual void OnVideoResume(int64_t /*completed*/) {}
    virtual void OnVideoStart(int64_t /*length*/, const QString& /*path*/) {}
    virtual void OnVideoProgress(int64_t /*completed*/, int64_t /*length*/) {}
    virtual void OnVideoDone(const QString& /*path*/) {}
    virtual void OnParseStart() {}
    virtual void OnTitle(const QString& /*title*/) {}
    virtual void OnError(int32_t /*code*/) {}
    virtual void OnBegin() {}
    virtual void OnEnd() {}

    // The running indication behind Discard, kept by the owner under its
    // record lock; Start sets it while holding m_csControl, together with
    // whether the run resumes. False when the job already counts as running.
    virtual bool MarkRunning(bool /*resume*/) { return true; }
    // No worker could be created: the mark goes, and the job is finished.
    virtual void OnStartFailed() {}

    CInternetSession m_session;
    QString m_strVideoId;
    CCriticalSection m_csControl;
    int32_t m_bStop = 0;
    uintptr_t m_hThread = 0;

private:
    bool Run(bool resume);
    static void ThreadProc(CYouTubeDownloader* job);

    void FetchThumbnail();
    void ParseWatchPage(QString& token, QString& title);
    void FetchTokenFromRedirect(QString& token);
    void FetchVideo(const QString& token, const QString& title);

    struct Request;
    std::unique_ptr<Request> SendRequest(const char* host, const QString& object, uint32_t flags,
                                         const QString& extraLine = QString());
    void ThrowIfStopping();

    static std::atomic<uint32_t> s_dwReceiveTimeout;
};
