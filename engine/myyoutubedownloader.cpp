#include "myyoutubedownloader.h"

#include "folders.h"
#include "videofilename.h"

#include "platform/paths.h"
#include "platform/tickcount.h"

#include <QFileInfo>

std::atomic<void (*)()> CMyYouTubeDownloader::s_afterEndHook{nullptr};

CMyYouTubeDownloader::CMyYouTubeDownloader() = default;
CMyYouTubeDownloader::~CMyYouTubeDownloader() = default;

bool CMyYouTubeDownloader::GetInfo(DownloaderInfo& info, bool clearChanged)
{
    CSingleLock lock(m_csInfo);
    const uint32_t mask = info.mask;
    if (mask & DIF_STATE)
        info.state = m_nState;
    if (mask & DIF_TITLE)
        info.title = m_strTitle;
    if (mask & DIF_VIDEOPATH)
        info.videopath = m_strVideoPath;
    if (mask & DIF_THUMBPATH)
        info.thumbpath = m_strThumbPath;
    if (mask & DIF_IMAGEPATH)
        info.imagepath = m_strImagePath;
    if (mask & DIF_LENGTH)
        info.length = m_nLength;
    if (mask & DIF_COMPLETED)
        info.completed = m_nCompleted;
    if (mask & DIF_STARTTICK)
        info.starttick = m_dwStartTick;
    if (mask & DIF_ERROR)
        info.error = m_nError;
    if (mask & DIF_RESUMED)
        info.resumed = m_nResumed;
    const bool changed = m_bChanged != 0;
    if (clearChanged)
        m_bChanged = 0;
    return changed;
}

void CMyYouTubeDownloader::Discard()
{
    // The stop request goes first: once m_bDiscarded is set the worker may
    // delete the job at any moment, so nothing may touch it after that.
    Stop();
    bool running;
    {
        CSingleLock lock(m_csInfo);
        running = m_bRunning != 0;
        if (running)
            m_bDiscarded = 1;
    }
    if (!running)
        delete this;
}

void CMyYouTubeDownloader::Restore(const QString& id, const QString& title, const QString& videopath,
                                   const QString& thumbpath, const QString& imagepath, int32_t error, int64_t length,
                                   int64_t completed)
{
    m_strVideoId = id;
    CSingleLock lock(m_csInfo);
    m_strTitle = title;
    m_strVideoPath = videopath;
    m_strThumbPath = thumbpath;
    m_strImagePath = imagepath;
    m_nError = error;
    m_nLength = length;
    m_nCompleted = completed;
    m_nState = DS_DONE;
    m_bChanged = 1;
}

bool CMyYouTubeDownloader::Queue()
{
    CSingleLock lock(m_csInfo);
    if (m_bRunning)
        return false;
    m_nState = DS_QUEUED;
    m_bChanged = 1;
    return true;
}

void CMyYouTubeDownloader::Unqueue(int32_t error)
{
    CSingleLock lock(m_csInfo);
    m_nState = DS_DONE;
    m_nError = error;
    m_bChanged = 1;
}

bool CMyYouTubeDownloader::IsRunning()
{
    CSingleLock lock(m_csInfo);
    return m_bRunning != 0;
}

bool CMyYouTubeDownloader::CanResume(const DownloaderInfo& info)
{
    if (info.state != DS_DONE || info.error == DE_NONE || info.videopath.isEmpty())
        return false;
    const QFileInfo file(info.videopath);
    return file.isFile() && !file.isSymLink() && file.size() > 0 && file.size() < info.length;
}

void CMyYouTubeDownloader::GetVideoFolder(QString& folder)
{
    folder = GetVideoFolderSetting();
    CreateFolderWithParents(folder);  // a failure shows when the file is created
}

void CMyYouTubeDownloader::GetTempFolder(QString& folder)
{
    folder = GetTempFolderSetting();
    CreateFolderWithParents(folder);
}

void CMyYouTubeDownloader::GetFileTitle(QString& title)
{
    title = m_strTitle;  // only this worker writes it while it runs
}

bool CMyYouTubeDownloader::IsMp4Preferred()
{
    return true;
}

bool CMyYouTubeDownloader::GetResumeFile(const QString& title, const QString& extension, QString& path, int64_t& length)
{
    {
        CSingleLock lock(m_csInfo);
        if (!m_bResume)
            return false;
        path = m_earlier.videopath;
        length = m_earlier.length;
    }
    if (path.isEmpty() || length <= 0)
        return false;
    // Another title names another file, and another folder holds another
    // one: neither has anything to continue.
    const QString fileTitle = FileTitleOf(title, m_strVideoId);
    const int number = VideoFileNumber(QFileInfo(path).fileName(), fileTitle, extension);
    return number > 0 && PathCombine(GetVideoFolderSetting(), VideoFileName(fileTitle, number, extension)) == path;
}

void CMyYouTubeDownloader::GetEarlierVideoPath(QString& path)
{
    CSingleLock lock(m_csInfo);
    path = m_earlier.videopath;
}

void CMyYouTubeDownloader::OnThumbnailStart()
{
    CSingleLock lock(m_csInfo);
    if (m_nState != DS_THUMBNAIL) {
        m_nState = DS_THUMBNAIL;
        m_bChanged = 1;
    }
}

void CMyYouTubeDownloader::OnThumbnailDone(const QString& path)
{
    CSingleLock lock(m_csInfo);
    if (m_strThumbPath != path) {
        m_strThumbPath = path;
        m_bChanged = 1;
    }
}

void CMyYouTubeDownloader::OnVideoResume(int64_t completed)
{
    CSingleLock lock(m_csInfo);
    m_nCompleted = completed;
    m_nResumed = completed;
    m_bChanged = 1;
}

void CMyYouTubeDownloader::OnVideoStart(int64_t length, const QString& path)
{
    CSingleLock lock(m_csInfo);
    m_nLength = length;
    m_strVideoPath = path;
    m_bVideoStarted = 1;
    m_nState = DS_DOWNLOADING;
    m_dwStartTick = GetTickCount();
    m_bChanged = 1;
}

void CMyYouTubeDownloader::OnVideoProgress(int64_t completed, int64_t /*length*/)
{
    CSingleLock lock(m_csInfo);
    if (m_nCompleted != completed) {
        m_nCompleted = completed;
        m_bChanged = 1;
    }
}

void CMyYouTubeDownloader::OnVideoDone(const QString& path)
{
    CSingleLock lock(m_csInfo);
    if (m_strVideoPath != path) {
        m_strVideoPath = path;
        m_bChanged = 1;
    }
}

void CMyYouTubeDownloader::OnParseStart()
{
    CSingleLock lock(m_csInfo);
    if (m_nState != DS_PARSING) {
        m_nState = DS_PARSING;
        m_bChanged = 1;
    }
}

void CMyYouTubeDownloader::OnTitle(const QString& title)
{
    // The rule reads the whole scraped title: it runs before the lock, so
    // the user interface never waits for it.
    QString fileTitle = FileTitleOf(title, m_strVideoId);
    CSingleLock lock(m_csInfo);
    m_strTitle = std::move(fileTitle);
    m_bChanged = 1;
}

void CMyYouTubeDownloader::OnError(int32_t code)
{
    CSingleLock lock(m_csInfo);
    m_nError = code;
    m_bChanged = 1;
}

void CMyYouTubeDownloader::OnBegin()
{
    CSingleLock lock(m_csInfo);
    m_strTitle.clear();
    m_strVideoPath.clear();
    m_strThumbPath.clear();
    m_strImagePath.clear();
    m_nLength = 0;
    m_nCompleted = 0;
    m_nError = 0;
    m_nState = DS_IDLE;
    m_dwStartTick = 0;
    m_nResumed = 0;
    m_bVideoStarted = 0;
    m_bChanged = 1;
}

void CMyYouTubeDownloader::OnEnd()
{
    // One hold hands the job back: once m_bRunning is clear the user
    // interface may discard or restart it, so the final state goes with it.
    bool discarded;
    {
        CSingleLock lock(m_csInfo);
        discarded = m_bDiscarded != 0;
        m_bRunning = 0;
        // A run that never reached its video leaves the file it had, so a
        // failed Resume can be resumed again and is saved as it was.
        if (!discarded && !m_bVideoStarted) {
            m_strVideoPath = m_earlier.videopath;
            m_nLength = m_earlier.length;
            m_nCompleted = m_earlier.completed;
            if (m_strTitle.isEmpty())
                m_strTitle = m_earlier.title;
            if (m_strThumbPath.isEmpty())
                m_strThumbPath = m_earlier.thumbpath;
        }
        if (!discarded && m_nState != DS_DONE) {
            m_nState = DS_DONE;
            m_bChanged = 1;
        }
    }
    if (discarded) {
        delete this;
        return;
    }
    // Nothing of the job may be touched from here on.
    if (auto hook = s_afterEndHook.load())
        hook();
}

bool CMyYouTubeDownloader::MarkRunning(bool resume)
{
    CSingleLock lock(m_csInfo);
    if (m_bRunning)
        return false;  // a previous worker has not finished its OnEnd yet
    m_bRunning = 1;
    if (m_nState == DS_QUEUED) {
        m_nState = DS_IDLE;  // its turn has come: no longer waiting, whenever the worker begins
        m_bChanged = 1;
    }
    m_bResume = resume;
    m_earlier = {m_strTitle, m_strVideoPath, m_strThumbPath, m_nLength, m_nCompleted};
    return true;
}

void CMyYouTubeDownloader::OnStartFailed()
{
    // The record stays as it was; the job is finished, and can be started again.
    CSingleLock lock(m_csInfo);
    m_bRunning = 0;
    m_nState = DS_DONE;
    m_nError = DE_FRAMEWORK;
    m_bChanged = 1;
}
