#include "appxml.h"

#include "xmlelementitem.h"

#include "platform/decimal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <memory>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace appxml {

namespace {

using ElementStack = std::vector<std::unique_ptr<CXmlElement>>;  // head = back()

enum class Completion { Go, Stop };

bool IsFieldName(const QString& name)
{
    static const char* const kFields[] = {"title",  "videopath", "thumbpath", "imagepath",
                                          "length", "completed", "error"};
    for (const char* f : kFields)
        if (name == QLatin1String(f))
            return true;
    return false;
}

// What the address patterns take as a video id: letters, digits, '_' and
// '-'. The id names the thumbnail's file, so nothing else may come in here.
bool IsVideoId(const QString& id)
{
    for (const QChar c : id) {
        const char16_t u = c.unicode();
        if (!((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-'))
            return false;
    }
    return !id.isEmpty();
}

void RestoreItem(const CXmlElementItem& e, Document& doc)
{
    const QString id = e.GetAttribute(QStringLiteral("id")).trimmed();
    if (!IsVideoId(id))
        return;
    doc.items.push_back({id, e.m_strTitle, e.m_strVideoPath, e.m_strThumbPath, e.m_strImagePath,
                         ParseDecimal(e.m_strError), ParseDecimal64(e.m_strLength), ParseDecimal64(e.m_strCompleted)});
}

// A limit's text as a whole decimal number within its setting's range; the
// default for anything else.
int LimitValue(const QString& text, int max, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 0 && value <= max ? value : fallback;
}

Completion Complete(const ElementStack& stack, Document& doc)
{
    const CXmlElement& e = *stack.back();
    if (e.m_strName == QLatin1String("limit")) {
        const QString type = e.GetAttribute(QStringLiteral("type"));
        if (type == QLatin1String("downloads"))
            doc.settings.downloadLimit =
                LimitValue(e.m_strText, SettingsValues::kMaxDownloadLimit, SettingsValues::kDefaultDownloadLimit);
        else if (type == QLatin1String("rate"))
            doc.settings.rateLimitKiB = LimitValue(e.m_strText, SettingsValues::kMaxRateLimitKiB, 0);
    } else if (e.m_strName == QLatin1String("dir")) {
        const QString type = e.GetAttribute(QStringLiteral("type"));
        if (type == QLatin1String("video"))
            doc.settings.videoFolder = e.m_strText;
        else if (type == QLatin1String("temp"))
            doc.settings.tempFolder = e.m_strText;
    } else if (e.m_strName == QLatin1String("item")) {
        if (const auto* item = dynamic_cast<const CXmlElementItem*>(&e))
            RestoreItem(*item, doc);
    } else if (IsFieldName(e.m_strName)) {
        if (stack.size() < 2)
            return Completion::Stop;
        // Only an item takes fields; elsewhere the text has no home.
        if (auto* item = dynamic_cast<CXmlElementItem*>(stack[stack.size() - 2].get()))
            item->SetField(e.m_strName, e.m_strText);
    }
    return Completion::Go;
}

std::unique_ptr<CXmlElement> Open(const QXmlStreamReader& reader)
{
    const QString name = reader.name().toString().toLower();
    std::unique_ptr<CXmlElement> e =
        name == QLatin1String("item") ? std::make_unique<CXmlElementItem>() : std::make_unique<CXmlElement>();
    e->m_strName = name;
    for (const QXmlStreamAttribute& a : reader.attributes())
        e->m_mapAttributes[a.name().toString().toLower()] = a.value().toString();
    return e;
}

// Length of the longest prefix that is well-formed UTF-8 (no overlong
// forms, surrogates or values past U+10FFFF; a sequence cut by the end of
// the input counts as bad).
qsizetype ValidUtf8Prefix(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra = 0;
        unsigned char lo = 0x80, hi = 0xBF;  // bounds of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            if (c == 0xE0)
                lo = 0xA0;
            else if (c == 0xED)
                hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F;
        } else {
            return i;
        }
        if (i + extra >= n)
            return i;
        if (p[i + 1] < lo || p[i + 1] > hi)
            return i;
        for (int k = 2; k <= extra; ++k)
            if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                return i;
        i += extra + 1;
    }
    return n;
}

// True unless a byte-order mark, zero bytes or the declaration name another
// encoding, which the reader then decodes by itself.
bool IsUtf8Document(const QByteArray& bytes)
{
    const QByteArray head = bytes.left(256);
    if (head.startsWith("\xFE\xFF") || head.startsWith("\xFF\xFE") || head.left(4).contains('\0'))
        return false;
    const qsizetype start = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (head.mid(start, 5) != "<?xml")
        return true;
    const qsizetype end = head.indexOf("?>");
    const QByteArray decl = head.mid(start, end < 0 ? -1 : end - start);
    const qsizetype at = decl.indexOf("encoding");
    if (at < 0)
        return true;
    qsizetype q = at + 8;
    while (q < decl.size() &&
           (decl[q] == ' ' || decl[q] == '=' || decl[q] == '\t' || decl[q] == '\r' || decl[q] == '\n'))
        ++q;
    if (q >= decl.size() || (decl[q] != '"' && decl[q] != '\''))
        return true;
    const qsizetype close = decl.indexOf(decl[q], q + 1);
    const QByteArray name = decl.mid(q + 1, close < 0 ? -1 : close - q - 1).toLower();
    return name == "utf-8" || name == "utf8";
}

// Characters XML 1.0 cannot carry (controls, lone surrogates, U+FFFE/FFFF)
// would make the writer give up halfway and the next load lose every item
// after them; they become U+FFFD instead.
QString XmlSafe(const QString& text)
{
    QString out;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            if (out.isNull())
                out = text.left(i);
            out += text[i];
            out += text[++i];
            continue;
        }
        const bool ok = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c < 0xD800) || (c >= 0xE000 && c < 0xFFFE);
        if (ok && out.isNull())
            continue;
        if (out.isNull())
            out = text.left(i);
        out += ok ? QChar(c) : QChar(QChar::ReplacementCharacter);
    }
    return out.isNull() ? text : out;
}

// Element text, always ending in a full end tag (writing characters, even
// none, closes the start tag). A carriage return goes out as a reference so
// that the reader's line-end normalisation cannot turn it into a line feed.
// Only leaves call this: characters in front of a child would stop the
// writer from indenting it.
void WriteContent(QXmlStreamWriter& w, const QString& text)
{
    const QString safe = XmlSafe(text);
    w.writeCharacters(QString());
    qsizetype from = 0;
    for (qsizetype cr = safe.indexOf('\r'); cr >= 0; cr = safe.indexOf('\r', from)) {
        w.writeCharacters(safe.mid(from, cr - from));
        w.writeEntityReference(QStringLiteral("#13"));
        from = cr + 1;
    }
    w.writeCharacters(safe.mid(from));
}

void WriteTextElement(QXmlStreamWriter& w, const char* name, const QString& text)
{
    w.writeStartElement(QLatin1String(name));
    WriteContent(w, text);
    w.writeEndElement();
}

void WriteDir(QXmlStreamWriter& w, const char* type, const QString& folder)
{
    w.writeStartElement(QStringLiteral("dir"));
    w.writeAttribute(QStringLiteral("type"), QLatin1String(type));
    WriteContent(w, folder);
    w.writeEndElement();
}

}  // namespace

int LoadLearnSetting()
{
    QSettings profile(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(kProfileName));
    return profile.value(QLatin1String(kLearnKey), 1).toInt();
}

bool SaveLearnSetting(int value)
{
    QSettings profile(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(kProfileName));
    profile.setValue(QLatin1String(kLearnKey), value);
    profile.sync();
    return profile.status() == QSettings::NoError;
}

bool Load(const QString& path, Document& doc)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    file.close();
    return Parse(bytes, doc);
}

bool Parse(const QByteArray& input, Document& doc)
{
    // The reader decodes whole blocks before it parses them, so a bad byte
    // would stop it ahead of the elements in front of it. It gets the input
    // only up to the first bad sequence instead, and stops right there.
    SettingsValues defaults;
    defaults.videoFolder = doc.settings.videoFolder;
    defaults.tempFolder = doc.settings.tempFolder;
    doc.settings = defaults;

    QByteArray bytes = input;
    if (IsUtf8Document(bytes))
        bytes.truncate(ValidUtf8Prefix(bytes));

    QXmlStreamReader reader(bytes);
    ElementStack stack;  // owns every open element; no recursion at any depth
    for (;;) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (reader.hasError())
            return true;
        switch (token) {
        case QXmlStreamReader::StartElement:
            stack.push_back(Open(reader));
            break;
        case QXmlStreamReader::Characters:
            if (reader.isCDATA() || reader.isWhitespace())
                break;
            if (!stack.empty())
                stack.back()->m_strText = reader.text().toString();
            break;
        case QXmlStreamReader::EndElement:
            if (stack.empty())
                return true;  // the reader pairs tags, so this cannot happen
            if (Complete(stack, doc) == Completion::Stop)
                return false;
            stack.pop_back();
            break;
        case QXmlStreamReader::DTD:  // refused: nothing of a document type is ever expanded
        case QXmlStreamReader::EndDocument:
        case QXmlStreamReader::Invalid:
            return true;
        default:
            break;
        }
    }
}

namespace {

void WriteLimit(QXmlStreamWriter& w, const char* type, int value)
{
    w.writeStartElement(QStringLiteral("limit"));
    w.writeAttribute(QStringLiteral("type"), QLatin1String(type));
    WriteContent(w, QString::number(value));
    w.writeEndElement();
}

void WriteDocument(QXmlStreamWriter& w, const SettingsValues& settings, const std::vector<ItemRecord>& items)
{
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("application"));
    w.writeStartElement(QStringLiteral("options"));
    w.writeStartElement(QStringLiteral("directories"));
    WriteDir(w, "video", settings.videoFolder);
    WriteDir(w, "temp", settings.tempFolder);
    w.writeEndElement();  // directories
    w.writeStartElement(QStringLiteral("limits"));
    WriteLimit(w, "downloads", settings.downloadLimit);
    WriteLimit(w, "rate", settings.rateLimitKiB);
    w.writeEndElement();  // limits
    w.writeEndElement();  // options

    w.writeStartElement(QStringLiteral("content"));
    for (const ItemRecord& r : items) {
        w.writeStartElement(QStringLiteral("item"));
        w.writeAttribute(QStringLiteral("id"), XmlSafe(r.id));
        WriteTextElement(w, "title", r.title);
        WriteTextElement(w, "videopath", r.videopath);
        WriteTextElement(w, "thumbpath", r.thumbpath);
        WriteTextElement(w, "imagepath", r.imagepath);
        WriteTextElement(w, "length", QString::number(r.length));
        WriteTextElement(w, "completed", QString::number(r.completed));
        WriteTextElement(w, "error", QString::number(r.error));
        w.writeEndElement();  // item
    }
    if (items.empty())
        w.writeCharacters(QString());  // <content></content>, never <content/>
    w.writeEndElement();               // content
    w.writeEndElement();               // application
    w.writeEndDocument();
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

// A hidden name of its own, so that nothing but a save's leftover ever matches it.
QString TemporaryPrefix(const QString& file)
{
    const QFileInfo info(file);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".tmp-");
}

// The file at `path` ends up holding either all of `bytes` or exactly what
// it held before, whatever fails on the way: the text goes to a new file in
// the same folder, is checked to be on the disk, and only then takes the
// name. Buffered writers (QSaveFile among them) can report a failed last
// flush too late for that.
int ReplaceFile(const QString& path, const QByteArray& bytes)
{
    QFileInfo info(path);
    if (info.isSymLink())
        info.setFile(info.symLinkTarget());  // the link stays, its file is replaced
    if (info.isDir() || (info.exists() && !info.isWritable()))
        return -1;
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    struct stat old {};
    const bool existed = ::stat(target.constData(), &old) == 0;

    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = QFile::encodeName(TemporaryPrefix(info.absoluteFilePath())) +
               QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return -1;
    if (existed)
        ::fchmod(fd, old.st_mode & 07777);
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    // After the fsync an interrupted close has nothing left to lose.
    if (::close(fd) != 0 && errno != EINTR)
        ok = false;
    if (!ok || ::rename(temp.constData(), target.constData()) != 0) {
        ::unlink(temp.constData());
        return 0;
    }
    // The new name itself reaches the disk with its folder. A folder that
    // cannot be synced still holds the complete new file.
    const int folder = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return 1;
}

}  // namespace

QByteArray Serialize(const SettingsValues& settings, const std::vector<ItemRecord>& items)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    WriteDocument(w, settings, items);
    return out;
}

int Save(const QString& path, const SettingsValues& settings, const std::vector<ItemRecord>& items)
{
    return ReplaceFile(path, Serialize(settings, items));
}

void RemoveSaveLeftovers(const QString& path)
{
    QFileInfo info(path);
    if (info.isSymLink())
        info.setFile(info.symLinkTarget());  // saves write beside the link's file
    const QString prefix = QFileInfo(TemporaryPrefix(info.absoluteFilePath())).fileName();
    QDir folder = info.absoluteDir();
    for (const QString& name : folder.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System))
        folder.remove(name);
}

}  // namespace appxml
