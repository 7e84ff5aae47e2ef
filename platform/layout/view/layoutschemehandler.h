#pragma once

#include "platform/layout/htmlayout.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QWebEngineUrlSchemeHandler>
#include <optional>

namespace layout {

// Serves ferrowick://view/<file> from the view's own resources and
// ferrowick://page/<url> from the host (as the engine's data requests do),
// falling back to a local image file named by an absolute path.
class LayoutSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    static constexpr const char* Scheme = "ferrowick";

    // Must run before QApplication exists.
    static void RegisterScheme();

    explicit LayoutSchemeHandler(HWND hwnd, QObject* parent = nullptr);
    void requestStarted(QWebEngineUrlRequestJob* job) override;

    struct Reply {
        QByteArray data;
        QByteArray mime;
    };
    // What a URL of the scheme answers with; none when nothing may be served.
    std::optional<Reply> resolve(const QUrl& url) const;

    static QByteArray MimeFor(const QString& name);

    // The largest local image the view reads; a larger file is not shown.
    static constexpr qint64 kMaxLocalImageBytes = qint64(2) * 1024 * 1024;
    // A plain file of at most kMaxLocalImageBytes, whole; none for anything
    // else. Never waits on a pipe or a device named like an image.
    static std::optional<QByteArray> ReadLocalImage(const QString& path);

    // A local image as the view gets it: the first frame of a picture no
    // larger than kMaxDecodedSide a side, scaled down to fit the pop-up, as
    // PNG; none for anything that does not decode. The web engine would
    // decode a picture bomb or run an endless animation at any cost.
    static std::optional<QByteArray> ReadLocalThumbnail(const QString& path);
    static constexpr int kMaxDecodedSide = 4096;
    static constexpr int kMaxThumbnailWidth = 320;
    static constexpr int kMaxThumbnailHeight = 240;

private:
    // What the view's resources or the host answer. Otherwise `file` names
    // the local image to read (with its type in `mime`), or stays empty.
    std::optional<Reply> resolveHosted(const QUrl& url, QString& file, QByteArray& mime) const;

    HWND m_hwnd;
};

}  // namespace layout
