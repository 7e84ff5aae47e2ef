#include "textconv.h"

#include <cstring>
#include <new>

std::string ToUtf8(const QString& text)
{
    try {
        qsizetype n = text.indexOf(QChar(0));
        const QByteArray bytes = (n < 0 ? text : text.left(n)).toUtf8();
        return std::string(bytes.constData(), size_t(bytes.size()));
    } catch (const std::bad_alloc&) {
        return {};
    }
}

QString FromUtf8(const char* bytes)
{
    if (!bytes)
        return {};
    try {
        return QString::fromUtf8(bytes, qsizetype(std::strlen(bytes)));
    } catch (const std::bad_alloc&) {
        return {};
    }
}

QString FromUtf8(const std::string& bytes)
{
    return FromUtf8(bytes.c_str());
}
