#pragma once

#include "element.h"
#include "engine/downloaderinfo.h"

#include <QHashFunctions>
#include <QString>
#include <memory>
#include <unordered_map>

class CMyYouTubeDownloader;

// One video of the list: its row on the page and its job. The row element
// holds one engine use; the job belongs to the item until the item goes,
// when it is handed to Discard (a running job then deletes itself).
class CDownloadItem {
public:
    CDownloadItem();  // creates the job; throws CInternetException when its session is refused
    ~CDownloadItem();
    CDownloadItem(const CDownloadItem&) = delete;
    CDownloadItem& operator=(const CDownloadItem&) = delete;

    // The fields of the job's record that mask selects, copied in one hold of
    // its lock; the changed mark stays for the row to clear.
    DownloaderInfo Snapshot(uint32_t mask) const;

    htmlayout::dom::element m_row;
    CMyYouTubeDownloader* m_pDownloader = nullptr;
};

// The frame's item table: video id (exact case) to its item, which the table owns.
using ItemTable = std::unordered_map<QString, std::unique_ptr<CDownloadItem>>;
