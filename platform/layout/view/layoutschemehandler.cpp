#include "layoutschemehandler.h"

#include "platform/layout/layoutview.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

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

std::optional<LayoutSchemeHandler::Reply> LayoutSchemeHandler::resolve(const QUrl& url) const
{
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
    const QByteArray mime = MimeFor(path);
    if (!mime.startsWith("image/"))
        return std::nullopt;
    const QFileInfo info(path);
    if (!info.isAbsolute() || !info.isFile())
        return std::nullopt;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return Reply{f.readAll(), mime};
}

void LayoutSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    auto reply = resolve(job->requestUrl());
    if (!reply) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The job reads the buffer later; it is deleted together with the job.
    auto* buffer = new QBuffer(job);
    buffer->setData(reply->data);
    buffer->open(QIODevice::ReadOnly);
    job->reply(reply->mime, buffer);
}

}  // namespace layout
