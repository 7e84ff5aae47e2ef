#pragma once

#include "downloaderinfo.h"
#include "youtubedownloader.h"

#include <atomic>

// The job as the list sees it: the job record under m_csInfo, written by the
// worker through the notifications and polled by the user interface.
class CMyYouTubeDownloader : public CYouTubeDownloader {
public:
    CMyYouTubeDownloader();
    ~CMyYouTubeDownloader() override;

    // Copies the fields the mask selects and reads the changed mark in one
    // hold of the lock; clears the mark when asked. Returns the mark as read.
    bool GetInfo(DownloaderInfo& info, bool clearChanged);
    // Ends the job's life for the list: deleted at once when no worker runs,
    // otherwise stopped and deleted by its worker. Don't touch it afterwards.
    void Discard();
    void Restore(const QString& id, const QString& title, const QString& videopath, const QString& thumbpath,
                 const QString& imagepath, int32_t error, int64_t length, int64_t completed);

    // The download queue's marks: waiting for a slot (false when a worker
    // still has the job), and leaving the queue finished with `error`.
    bool Queue();
    void Unqueue(int32_t error);
    // From Start until the worker has handed the job back.
    bool IsRunning();

    // What a snapshot must hold for CanResume.
    static constexpr uint32_t DIF_RESUME_RULE = DIF_STATE | DIF_ERROR | DIF_VIDEOPATH | DIF_LENGTH;
    // A run that failed or was stopped, whose video file is there and shorter
    // than the length the job stored: Resume can continue it.
    static bool CanResume(const DownloaderInfo& info);

    // Tests hold a worker here, just after it has handed a finished job back
    // to the user interface, to force a Discard or Start into that moment.
    static void SetAfterEndHook(void (*hook)()) { s_afterEndHook = hook; }

protected:
    void GetVideoFolder(QString& folder) override;
    void GetTempFolder(QString& folder) override;
    void GetFileTitle(QString& title) override;
    bool IsMp4Preferred() override;
    bool GetResumeFile(const QString& title, const QString& extension, QString& path, int64_t& length) override;
    void GetEarlierVideoPath(QString& path) override;

    void OnThumbnailStart() override;
    void OnThumbnailDone(const QString& path) override;
    void OnVideoResume(int64_t completed) override;
    void OnVideoStart(int64_t length, const QString& path) override;
    void OnVideoProgress(int64_t completed, int64_t length) override;
    void OnVideoDone(const QString& path) override;
    void OnParseStart() override;
    void OnTitle(const QString& title) override;
    void OnError(int32_t code) override;
    void OnBegin() override;
    void OnEnd() override;

    bool MarkRunning(bool resume) override;
    void OnStartFailed() override;

    QString m_strTitle;
    QString m_strVideoPath;
    QString m_strThumbPath;
    QString m_strImagePath;
    int64_t m_nLength = 0;
    int64_t m_nCompleted = 0;
    int32_t m_nError = 0;
    uint32_t m_dwStartTick = 0;
    int32_t m_nState = DS_IDLE;
    int32_t m_bChanged = 1;
    int32_t m_bDiscarded = 0;
    int32_t m_bRunning = 0;  // from Start until OnEnd has read m_bDiscarded
    int64_t m_nResumed = 0;  // bytes on disk when this run's transfer began
    // The record as the run found it, taken when it starts, before OnBegin
    // empties it: a resumed run continues its file, and a run that ends
    // before its video transfer began gives it back.
    struct Earlier {
        QString title;
        QString videopath;
        QString thumbpath;
        int64_t length = 0;
        int64_t completed = 0;
    } m_earlier;
    int32_t m_bResume = 0;        // this run may continue m_earlier's file
    int32_t m_bVideoStarted = 0;  // this run's video transfer began
    CCriticalSection m_csInfo;

private:
    static std::atomic<void (*)()> s_afterEndHook;
};
