// The main window's side of app.xml: records become items with restored
// jobs and rows, and the rows in page order become records again.
#include "mainframe.h"

#include "engine/folders.h"
#include "engine/myyoutubedownloader.h"
#include "engine/settings.h"
#include "platform/paths.h"
#include "platform/startupmarks.h"
#include "store/appxml.h"
#include "ui/page/dom.h"
#include "ui/page/rows.h"
#include "ui/page/selectedelementlist.h"

#include <QDir>
#include <QStandardPaths>

void CMainFrame::SetDefaultFolders(const QString& programFolder)
{
    SetTempFolderSetting(PathCombine(programFolder, QStringLiteral("Temp")));
    // Videos go where a desktop user looks for them, not into the program's data.
    const QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    SetVideoFolderSetting(PathCombine(movies.isEmpty() ? programFolder : movies, QStringLiteral("Ferrowick")));
}

bool CMainFrame::LoadAppXml(const QString& path)
{
    m_bListLoaded = false;
    AddressDlgLearn = appxml::LoadLearnSetting();
    // This copy alone saves to this file (one copy per data folder), and it
    // has not saved yet.
    appxml::RemoveSaveLeftovers(path);
    appxml::Document doc;
    doc.settings.videoFolder = GetVideoFolderSetting();
    doc.settings.tempFolder = GetTempFolderSetting();
    const bool result = appxml::Load(path, doc);
    StartupMark("list read", qint64(doc.items.size()));
    CSettings::Instance().Apply(doc.settings);
    for (const appxml::ItemRecord& r : doc.items) {
        // The add flow never lets an id in twice; a hand-made duplicate would
        // leave a row without its item, so the first one stands.
        if (m_items.count(r.id) || !m_content.is_valid())
            continue;
        auto item = NewItem();
        item->m_pDownloader->Restore(r.id, r.title, r.videopath, r.thumbpath, r.imagepath, r.error, r.length,
                                     r.completed);
        InsertRow(item.get(), m_content, ROW_AT_END);
        // The row must give the id back unchanged, or neither a row command
        // nor the save could find its item; such an item goes again at once.
        if (GetAttribute(item->m_row, "value").value_or(QString()) != r.id)
            continue;
        m_items.emplace(r.id, std::move(item));
    }
    m_bListLoaded = true;
    StartupMark("rows built", qint64(m_items.size()));
    return result;
}

int CMainFrame::SaveAppXml(const QString& path)
{
    appxml::SaveLearnSetting(AddressDlgLearn);
    // Without the page no stored item got its row, and a load that failed
    // part way built only some: writing now would lose the rest of the list.
    if (!m_content.is_valid() || !m_bListLoaded)
        return -1;

    std::vector<appxml::ItemRecord> records;
    CSelectedElementList rows;
    SelectElements(m_content, "option", rows);
    records.reserve(rows.size());
    for (const htmlayout::dom::element& row : rows) {
        const QString id = GetAttribute(row, "value").value_or(QString());
        const auto it = m_items.find(id);
        if (it == m_items.end() || !it->second->m_pDownloader)
            continue;  // every row has its item; a stray row is not ours to write
        const DownloaderInfo info = it->second->Snapshot(uint32_t(-1));
        // A download that had not ended comes back as uncompleted.
        const int32_t stored = info.state == DS_DONE ? info.error : int32_t(DE_STOPPED);
        records.push_back(
            {id, info.title, info.videopath, info.thumbpath, info.imagepath, stored, info.length, info.completed});
    }
    return appxml::Save(path, CSettings::Instance().Values(), records);
}
