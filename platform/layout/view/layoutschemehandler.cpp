#include "layoutschemehandler.h"

#include "platform/layout/layoutview.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QImage>
#include <QImageReader>
#include <QPromise>
#include <QThreadPool>
#include <QUrl>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace layout {

void LayoutSchemeHandler::RegisterScheme()
{
    if (QWebEngineUrlScheme::schemeByName(Scheme).name() == Scheme)
        return;
    QWebEngineUrlScheme scheme(Scheme);
    // Host syntax: with path syntax Qt 6.4 never requests the page's relative URLs.
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalAccessAllowed |
                    QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
}

LayoutSchemeHandler::LayoutSchemeHandler(HWND hwnd, QObject* parent) : QWebEngineUrlSchemeHandler(parent), m_hwnd(hwnd)
{
    // Megabytes one decoded picture may take: a thumbnail of the largest
    // side allowed, in 32 bits a pixel. Set before any thumbnail is read.
    QImageReader::setAllocationLimit(kMaxDecodedSide * kMaxDecodedSide * 4 / (1024 * 1024));
}

QByteArray LayoutSchemeHandler::MimeFor(const QString& name)
{
    const QString ext = QFileInfo(name).suffix().toLower();
    if (ext == QLatin1String("css"))
        return "text/css";
    if (ext == QLatin1String("js"))
        return "text/javascript";
    if (ext == QLatin1String("png"))
        return "image/png";
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return "image/jpeg";
    if (ext == QLatin1String("gif"))
        return "image/gif";
    if (ext == QLatin1String("bmp"))
        return "image/bmp";
    if (ext.isEmpty() || ext == QLatin1String("html") || ext == QLatin1String("htm"))
        return "text/html";
    return "application/octet-stream";
}

std::optional<LayoutSchemeHandler::Reply> LayoutSchemeHandler::resolveHosted(const QUrl& url, QString& file,
                                                                             QByteArray& mime) const
{
    file.clear();
    if (url.scheme() != QLatin1String(Scheme))
        return std::nullopt;
    const QString path = url.path(QUrl::FullyDecoded);
    if (url.host() == QLatin1String("view")) {
        const QString name = path.mid(1);
        if (name.isEmpty() || name.contains(QLatin1Char('/')))
            return std::nullopt;
        QFile f(QStringLiteral(":/layoutview/") + name);
        if (!f.open(QIODevice::ReadOnly))
            return std::nullopt;
        return Reply{f.readAll(), MimeFor(name)};
    }
    if (url.host() != QLatin1String("page") || path.size() < 2)
        return std::nullopt;
    const QString name = path.mid(1);
    if (auto data = RequestData(m_hwnd, name))
        return Reply{*data, MimeFor(name)};
    // Thumbnails: the absolute path of a local file arrives as the URL path.
    // Only image files are read, so the page cannot reach anything else.
    mime = MimeFor(path);
    if (mime.startsWith("image/") && QFileInfo(path).isAbsolute())
        file = path;
    return std::nullopt;
}

std::optional<LayoutSchemeHandler::Reply> LayoutSchemeHandler::resolve(const QUrl& url) const
{
    QString file;
    QByteArray mime;
    if (auto reply = resolveHosted(url, file, mime))
        return reply;
    if (file.isEmpty())
        return std::nullopt;
    if (auto data = ReadLocalThumbnail(file))
        return Reply{*data, "image/png"};
    return std::nullopt;
}

std::optional<QByteArray> LayoutSchemeHandler::ReadLocalThumbnail(const QString& path)
{
    std::optional<QByteArray> bytes = ReadLocalImage(path);
    if (!bytes)
        return std::nullopt;
    QBuffer in(&*bytes);
    in.open(QIODevice::ReadOnly);
    QImageReader reader(&in);
    // The size from the header, before a pixel is decoded.
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxDecodedSide || size.height() > kMaxDecodedSide)
        return std::nullopt;
    QImage image;
    if (!reader.read(&image))  // the first frame only
        return std::nullopt;
    if (image.width() > kMaxThumbnailWidth || image.height() > kMaxThumbnailHeight)
        image = image.scaled(kMaxThumbnailWidth, kMaxThumbnailHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    if (!image.save(&out, "PNG"))
        return std::nullopt;
    return png;
}

std::optional<QByteArray> LayoutSchemeHandler::ReadLocalImage(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    QByteArray data;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxLocalImageBytes;
    if (ok) {
        // One byte more than allowed tells a file that grew since the look.
        data.resize(qsizetype(st.st_size) + 1);
        qsizetype have = 0;
        while (ok && have < data.size()) {
            const ssize_t n = ::read(fd, data.data() + have, size_t(data.size() - have));
            if (n < 0 && errno == EINTR)
                continue;
            ok = n >= 0;
            if (n <= 0)
                break;
            have += n;
            if (have == data.size() && data.size() <= kMaxLocalImageBytes)
                data.resize(std::min<qsizetype>(2 * data.size(), kMaxLocalImageBytes + 1));
        }
        ok = ok && have <= kMaxLocalImageBytes;
        data.resize(have);
    }
    ::close(fd);
    return ok ? std::optional<QByteArray>(data) : std::nullopt;
}

namespace {

void Answer(QWebEngineUrlRequestJob* job, const QByteArray& data, const QByteArray& mime)
{
    // The job reads the buffer later; it is deleted together with the job.
    auto* buffer = new QBuffer(job);
    buffer->setData(data);
    buffer->open(QIODevice::ReadOnly);
    job->reply(mime, buffer);
}

}  // namespace

void LayoutSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    QString file;
    QByteArray mime;
    if (auto reply = resolveHosted(job->requestUrl(), file, mime)) {
        Answer(job, reply->data, reply->mime);
        return;
    }
    if (file.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    mime = "image/png";
    // A local file may be large, or on a slow disk, and decoding it takes
    // time: both happen on a pool thread and the job is answered back here. A job the page gave up on takes
    // its watcher with it, and the answer goes nowhere.
    using Result = std::optional<QByteArray>;
    auto promise = std::make_shared<QPromise<Result>>();
    auto* watcher = new QFutureWatcher<Result>(job);
    QObject::connect(watcher, &QFutureWatcherBase::finished, job, [job, watcher, mime] {
        const Result data = watcher->future().resultCount() ? watcher->result() : Result();
        if (data)
            Answer(job, *data, mime);
        else
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    });
    watcher->setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise, file] {
        promise->addResult(ReadLocalThumbnail(file));
        promise->finish();
    });
}

}  // namespace layout
