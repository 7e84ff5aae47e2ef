#include "resourceloader.h"

#include <QByteArray>
#include <QHash>
#include <QResource>

std::optional<ResourceData> LoadResourceByUrl(const QString& url)
{
    if (url.isEmpty() || url.size() >= MAX_PATH)
        return std::nullopt;
    QString name = url;
    QString type = QStringLiteral("HTML");
    const qsizetype dot = url.lastIndexOf('.');
    if (dot >= 0) {
        name = url.left(dot);
        const QString after = url.mid(dot + 1);
        if (after.compare(QLatin1String("html"), Qt::CaseInsensitive) != 0)
            type = after;
    }
    if (name.isEmpty() || type.isEmpty() || name.contains('/') || type.contains('/'))
        return std::nullopt;
    const QString path = QStringLiteral(":/res/%1/%2").arg(type.toUpper(), name.toUpper());
    QResource resource(path);
    if (!resource.isValid() || resource.size() == 0)
        return std::nullopt;
    if (resource.compressionAlgorithm() == QResource::NoCompression)
        return ResourceData{resource.data(), uint32_t(resource.size())};
    // Compressed resources are expanded once and kept, like the bytes in place.
    static QHash<QString, QByteArray> expanded;
    auto it = expanded.find(path);
    if (it == expanded.end())
        it = expanded.insert(path, resource.uncompressedData());
    if (it->isEmpty())
        return std::nullopt;
    return ResourceData{reinterpret_cast<const uint8_t*>(it->constData()), uint32_t(it->size())};
}
