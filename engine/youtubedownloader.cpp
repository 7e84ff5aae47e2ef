#include "youtubedownloader.h"

#include "downloaderinfo.h"
#include "sitehosts.h"
#include "sitetext.h"
#include "videofilename.h"

#include "platform/decimal.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/internetdefs.h"
#include "platform/paths.h"
#include "platform/textconv.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <new>
#include <system_error>
#include <thread>

std::atomic<uint32_t> CYouTubeDownloader::s_dwReceiveTimeout{INTERNET_DEFAULT_RECEIVE_TIMEOUT_MS};

namespace {

const char* const kHeaderLines[] = {
    "User-Agent: Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.1.13) Gecko/20080311 Firefox/2.0.0.13",
    "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7",
    "Accept: text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,image/png,*/*;q=0.5",
    "Accept-Language: en-us,en;q=0.5",
};

// A site page larger than this is no page of the site. Reading stops there,
// so that one endless answer cannot take the memory of the whole program.
constexpr size_t kMaxPageBytes = size_t(16) * 1024 * 1024;
// A thumbnail is decoration: what lies past this size is not written.
constexpr uint64_t kMaxThumbnailBytes = uint64_t(2) * 1024 * 1024;
// "TITLE (n).EXT" names tried before a video gives up on its folder.
constexpr int kMaxFileNumber = 9999;

// Reads a body in pieces of at most INTERNET_READ_CHUNK bytes until its end,
// a stop request or a sink that wants no more, handing each piece to the sink
// as it arrives.
template <typename Sink>
void ReadBody(CYouTubeDownloader& job, CHttpFile& file, Sink sink)
{
    char buffer[INTERNET_READ_CHUNK];
    while (!job.IsStopping()) {
        const unsigned n = file.Read(buffer, INTERNET_READ_CHUNK);
        if (n == 0 || !sink(buffer, n))
            break;
    }
}

// The partial file of a resumed run, kept as it is; false when it is gone.
bool OpenPartialFile(CFile& file, const QString& path)
{
    try {
        file.Open(path, CFile::KeepContent);
        return true;
    } catch (const CFileException& e) {
        if (e.m_lOsError == ENOENT)
            return false;
        throw;
    }
}

// Whether the answer is the rest of the very file the partial one began.
bool ContinuesAt(const CHttpFile& file, int64_t from, int64_t length)
{
    QString range;
    file.QueryInfo(HTTP_QUERY_CONTENT_RANGE, range);
    QString lengthText;
    const bool hasLength = file.QueryInfo(HTTP_QUERY_CONTENT_LENGTH, lengthText);
    return ContinuesAt(file.GetStatusCode(), range, hasLength ? &lengthText : nullptr, from, length);
}

// The job's own earlier file of this title is written again. Any other file
// at the name belongs to another video: the first free name "TITLE (n).EXT"
// is created instead, and only a name that did not exist is ever created,
// so two jobs never share a file.
QString OpenVideoFile(CFile& file, const QString& folder, const QString& fileTitle, const QString& extension,
                      const QString& earlier)
{
    const int own = earlier.isEmpty() ? 0 : VideoFileNumber(QFileInfo(earlier).fileName(), fileTitle, extension);
    if (own > 0 && PathCombine(folder, VideoFileName(fileTitle, own, extension)) == earlier) {
        file.Open(earlier);
        return earlier;
    }
    for (int n = 1; n <= kMaxFileNumber; ++n) {
        QString path = PathCombine(folder, VideoFileName(fileTitle, n, extension));
        try {
            file.Open(path, CFile::CreateNew);
            return path;
        } catch (const CFileException& e) {
            if (e.m_lOsError != EEXIST)
                throw;
        }
    }
    throw CFileException(EEXIST, fileTitle, QStringLiteral("every name for %1 is taken").arg(fileTitle));
}

}  // namespace

// A request and the connection it was made on, released together on every path.
struct CYouTubeDownloader::Request {
    std::unique_ptr<CHttpConnection> connection;
    std::unique_ptr<CHttpFile> file;

    ~Request()
    {
        file.reset();
        connection.reset();
    }
};

CYouTubeDownloader::CYouTubeDownloader() = default;

CYouTubeDownloader::~CYouTubeDownloader()
{
    CSingleLock lock(m_csControl);
    m_hThread = 0;
}

bool CYouTubeDownloader::SetAddress(const QString& address)
{
    return VideoIdOfAddress(address, m_strVideoId);
}

bool CYouTubeDownloader::Start()
{
    return Run(false);
}

bool CYouTubeDownloader::Resume()
{
    return Run(true);
}

bool CYouTubeDownloader::Run(bool resume)
{
    CSingleLock lock(m_csControl);
    if (m_hThread != 0)
        return false;
    if (!MarkRunning(resume))
        return false;
    m_bStop = 0;
    try {
        std::thread worker(&CYouTubeDownloader::ThreadProc, this);
        m_hThread = uintptr_t(worker.native_handle());
        worker.detach();
    } catch (const std::system_error&) {
        m_hThread = 0;
    }
    if (m_hThread == 0) {
        OnStartFailed();
        return false;
    }
    return true;
}

void CYouTubeDownloader::Stop()
{
    CSingleLock lock(m_csControl);
    m_bStop = 1;
}

bool CYouTubeDownloader::IsStopping()
{
    CSingleLock lock(m_csControl);
    return m_bStop != 0;
}

void CYouTubeDownloader::ThrowIfStopping()
{
    if (IsStopping())
        throw CUserException(QStringLiteral("stopped"));
}

void CYouTubeDownloader::ThreadProc(CYouTubeDownloader* job)
{
    QString token;
    QString title;
    job->OnBegin();
    try {
        job->FetchThumbnail();
        job->ParseWatchPage(token, title);
        job->FetchVideo(token, title);
        if (job->IsStopping())
            job->OnError(DE_STOPPED);
    } catch (const CUserException&) {
        job->OnError(job->IsStopping() ? DE_STOPPED : DE_PARSE);
    } catch (const CInternetException&) {
        job->OnError(DE_INTERNET);
    } catch (const CFileException&) {
        job->OnError(DE_FILE);
    } catch (const CException&) {
        job->OnError(DE_FRAMEWORK);
    } catch (const std::bad_alloc&) {
        job->OnError(DE_FRAMEWORK);  // the stand-in for the framework's out-of-memory exception
    } catch (...) {
        job->OnError(DE_UNKNOWN);
    }
    {
        CSingleLock lock(job->m_csControl);
        job->m_hThread = 0;
    }
    // The last touch of the job: OnEnd hands it back or deletes it.
    job->OnEnd();
}

std::unique_ptr<CYouTubeDownloader::Request> CYouTubeDownloader::SendRequest(const char* host, const QString& object,
                                                                             uint32_t flags, const QString& extraLine)
{
    auto req = std::make_unique<Request>();
    req->connection =
        m_session.GetHttpConnection(QString::fromLatin1(host), kSitePort,
                                    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_SECURE);
    req->connection->SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, s_dwReceiveTimeout);
    req->file = req->connection->OpenRequest(QStringLiteral("GET"), object, INTERNET_FLAG_EXISTING_CONNECT | flags);
    // A Stop, a Remove or the exit ends a wait for a silent server too.
    req->file->SetCancelCheck([this] { return IsStopping(); });
    for (const char* line : kHeaderLines)
        req->file->AddRequestHeaders(QString::fromLatin1(line), HTTP_ADDREQ_FLAG_ADD_IF_NEW);
    if (!extraLine.isEmpty())
        req->file->AddRequestHeaders(extraLine, HTTP_ADDREQ_FLAG_ADD_IF_NEW);
    ThrowIfStopping();
    req->file->SendRequest();
    return req;
}

void CYouTubeDownloader::FetchThumbnail()
{
    OnThumbnailStart();
    auto req = SendRequest(kThumbnailHost, QStringLiteral("vi/%1/default.jpg").arg(m_strVideoId), 0);

    QString folder;
    GetTempFolder(folder);
    const QString path = PathCombine(folder, QStringLiteral("%1.jpg").arg(m_strVideoId));
    CFile file;
    file.Open(path);

    uint64_t written = 0;
    ReadBody(*this, *req->file, [&](const char* data, unsigned n) {
        const unsigned part = unsigned(std::min<uint64_t>(n, kMaxThumbnailBytes - written));
        file.Write(data, part);
        written += part;
        return written < kMaxThumbnailBytes;
    });
    file.Close();
    req.reset();
    OnThumbnailDone(path);
}

void CYouTubeDownloader::ParseWatchPage(QString& token, QString& title)
{
    OnParseStart();
    auto req = SendRequest(kVideoSiteHost, QStringLiteral("watch?v=%1").arg(m_strVideoId), 0);

    std::string body;
    ReadBody(*this, *req->file, [&](const char* data, unsigned n) {
        if (body.size() + n > kMaxPageBytes)
            throw CMemoryException(QStringLiteral("the watch page is larger than %1 bytes").arg(kMaxPageBytes));
        body.append(data, n);
        return true;
    });

    ScrapeWatchPage(body, title, token);
    ThrowIfStopping();

    token = token.trimmed();
    if (token.isEmpty()) {
        title.clear();
        FetchTokenFromRedirect(token);
    }
}

void CYouTubeDownloader::FetchTokenFromRedirect(QString& token)
{
    auto req = SendRequest(kVideoSiteHost, QStringLiteral("v/%1").arg(m_strVideoId), INTERNET_FLAG_NO_AUTO_REDIRECT);
    QString location;
    req->file->QueryInfo(HTTP_QUERY_LOCATION, location);
    const QString found = TokenOfLocation(location);
    if (!found.isEmpty())
        token = found;
    ThrowIfStopping();
}

void CYouTubeDownloader::FetchVideo(const QString& token, const QString& title)
{
    const bool mp4 = IsMp4Preferred();
    const QString extension = mp4 ? QStringLiteral("mp4") : QStringLiteral("flv");
    const QString object = mp4 ? QStringLiteral("get_video?video_id=%1&t=%2&fmt=18").arg(m_strVideoId, token)
                               : QStringLiteral("get_video?video_id=%1&t=%2").arg(m_strVideoId, token);

    // A resumed run holds its partial file from here on, so that the size it
    // asks the rest from stays the size it appends to.
    CFile file;
    QString partial;
    int64_t storedLength = 0;
    int64_t from = 0;
    if (GetResumeFile(title, extension, partial, storedLength) && OpenPartialFile(file, partial)) {
        const int64_t size = file.Size();
        if (size > 0 && size < storedLength)
            from = size;
    }
    auto req =
        SendRequest(kVideoSiteHost, object, 0, from > 0 ? QStringLiteral("Range: bytes=%1-").arg(from) : QString());
    if (from > 0 && !ContinuesAt(*req->file, from, storedLength)) {
        from = 0;
        // A part of some other range cannot start the file; the whole video can.
        const uint32_t status = req->file->GetStatusCode();
        if (status == HTTP_STATUS_PARTIAL_CONTENT || status == HTTP_STATUS_RANGE_NOT_SATISFIABLE) {
            req.reset();
            req = SendRequest(kVideoSiteHost, object, 0);
        }
    }

    // An error page is not the video: saving it would report a failure as a finished download.
    const uint32_t status = req->file->GetStatusCode();
    if (status < 200 || status > 299)
        throw CInternetException(status, QStringLiteral("the video request was answered with status %1").arg(status));

    int64_t length = storedLength;
    if (from == 0) {
        QString lengthText;
        req->file->QueryInfo(HTTP_QUERY_CONTENT_LENGTH, lengthText);
        length = ParseDecimal64(lengthText);
        // Without a length nothing could tell the whole video from a part of it.
        if (length <= 0)
            throw CUserException(QStringLiteral("the video has no length"));
    }

    OnTitle(title);
    QString path = partial;
    if (!file.IsOpen()) {
        QString folder;
        GetVideoFolder(folder);
        QString fileTitle;
        GetFileTitle(fileTitle);
        QString earlier;
        GetEarlierVideoPath(earlier);
        path = OpenVideoFile(file, folder, fileTitle, extension, earlier);
    } else if (from == 0) {
        file.Truncate();
    }
    if (from > 0)
        OnVideoResume(from);
    OnVideoStart(length, path);

    // The body ends at the length it announced, whatever more a server
    // sends: a body without end must not fill the disk.
    int64_t total = from;
    ReadBody(*this, *req->file, [&](const char* data, unsigned n) {
        const unsigned part = unsigned(std::min<int64_t>(n, length - total));
        file.Write(data, part);
        total += part;
        OnVideoProgress(total, length);
        return total < length;
    });
    file.Close();
    req.reset();
    // A body that ended short of its length is a broken video, not a whole one.
    if (total < length && !IsStopping())
        throw CInternetException(0, QStringLiteral("the video ended after %1 of its %2 bytes").arg(total).arg(length));
    OnVideoDone(path);
}
