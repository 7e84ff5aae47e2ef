// Feeds arbitrary bytes to the app.xml load as the file's content. Beyond
// memory errors it checks what the load promises: every row has its item and
// every item its row, ids are trimmed and unique, restored jobs are finished,
// and what was loaded saves and loads back unchanged.

#include "engine/folders.h"
#include "engine/myyoutubedownloader.h"
#include "store/appxml.h"
#include "ui/page/dom.h"
#include "ui/page/selectedelementlist.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>
#include <vector>

namespace {

const char kPage[] = "<html><body><widget id=\"content\" type=\"select\" multiple></widget>"
                     "<widget id=\"again\" type=\"select\" multiple></widget></body></html>";

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

struct Env {
    QTemporaryDir dir;
    HWND hwnd = HTMLayoutCreateWindow();
    HELEMENT content = nullptr;
    HELEMENT again = nullptr;
    QString input;
    QString saved;

    Env()
    {
        Check(dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        Check(HTMLayoutLoadHtml(hwnd, reinterpret_cast<const uint8_t*>(kPage), sizeof kPage - 1));
        HELEMENT root = GetRootElement(hwnd);
        content = FindElementById(root, "content");
        again = FindElementById(root, "again");
        Check(content && again);
        input = dir.filePath(QStringLiteral("app.xml"));
        Check(QDir().mkpath(dir.filePath(QStringLiteral("saved"))));
        saved = dir.filePath(QStringLiteral("saved/app.xml"));
    }
};

struct Record {
    QString id;
    DownloaderInfo info;
};

// Text made only of white space is no text to the reader, so it cannot
// survive a trip through the file.
QString Norm(const QString& s)
{
    for (QChar c : s)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return s;
    return QString();
}

std::vector<Record> Rows(HELEMENT list, const ItemTable& items)
{
    CSelectedElementList rows;
    SelectElements(list, "option", rows);
    Check(rows.size() == items.size());
    std::vector<Record> out;
    for (const auto& row : rows) {
        const QString id = GetAttribute(row, "value").value_or(QString());
        const auto it = items.find(id);
        Check(it != items.end() && it->second->m_row == row && it->second->m_pDownloader->GetVideoId() == id);
        Check(!id.isEmpty() && id == id.trimmed());
        Record r{id, {}};
        r.info.mask = uint32_t(-1);
        it->second->m_pDownloader->GetInfo(r.info, false);
        Check(r.info.state == DS_DONE);
        out.push_back(r);
    }
    return out;
}

bool Same(const DownloaderInfo& a, const DownloaderInfo& b)
{
    return Norm(a.title) == Norm(b.title) && Norm(a.videopath) == Norm(b.videopath) &&
           Norm(a.thumbpath) == Norm(b.thumbpath) && Norm(a.imagepath) == Norm(b.imagepath) &&
           a.length == b.length && a.completed == b.completed && a.error == b.error;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Env env;
    {
        QFile f(env.input);
        Check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    appxml::SetDefaultFolders(QStringLiteral("/nonexistent/program"));

    ItemTable items;
    int learn = 0;
    appxml::Load(env.input, items, env.content, learn);
    const std::vector<Record> first = Rows(env.content, items);
    const QString video = g_strVideoFolder;
    const QString temp = g_strTempFolder;

    Check(appxml::Save(env.saved, items, env.content, learn) == 1);
    appxml::SetDefaultFolders(QStringLiteral("/elsewhere"));
    ItemTable back;
    Check(appxml::Load(env.saved, back, env.again, learn));
    const std::vector<Record> second = Rows(env.again, back);
    Check(Norm(g_strVideoFolder) == Norm(video) && Norm(g_strTempFolder) == Norm(temp));
    Check(first.size() == second.size());
    for (size_t i = 0; i < first.size(); ++i)
        Check(first[i].id == second[i].id && Same(first[i].info, second[i].info));

    items.clear();
    back.clear();
    CSelectedElementList left;
    SelectElements(env.content, "option", left);
    SelectElements(env.again, "option", left);
    Check(left.empty());
    return 0;
}
