#include "downloaditem.h"

#include "dom.h"
#include "engine/myyoutubedownloader.h"

CDownloadItem::CDownloadItem() : m_pDownloader(new CMyYouTubeDownloader)
{
}

CDownloadItem::~CDownloadItem()
{
    if (m_row.is_valid()) {
        DeleteElement(m_row);
        m_row.release();
    }
    if (m_pDownloader) {
        // Discard owns the job from here: it deletes it now or at its worker's end.
        CMyYouTubeDownloader* job = m_pDownloader;
        m_pDownloader = nullptr;
        job->Discard();
    }
}

DownloaderInfo CDownloadItem::Snapshot(uint32_t mask) const
{
    DownloaderInfo info;
    info.mask = mask;
    m_pDownloader->GetInfo(info, false);
    return info;
}
