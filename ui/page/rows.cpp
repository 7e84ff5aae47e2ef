#include "rows.h"

#include "dom.h"
#include "downloaditem.h"
#include "engine/myyoutubedownloader.h"
#include "platform/textconv.h"
#include "platform/tickcount.h"
#include "statustext.h"

using htmlayout::dom::element;

namespace {

element Child(const char* tag, const char* cls, HELEMENT parent)
{
    element e = CreateElement(tag);
    if (cls)
        SetAttribute(e, "class", QString::fromLatin1(cls));
    if (parent)
        InsertElement(e, parent, HTMLAYOUT_APPEND);
    return e;
}

}  // namespace

void InsertRow(CDownloadItem* item, HELEMENT list, unsigned index)
{
    if (!item || !item->m_pDownloader)
        return;
    if (!item->m_row.is_valid())
        item->m_row = CreateElement("Option");
    InsertElement(item->m_row, list, index);
    SetAttribute(item->m_row, "value", item->m_pDownloader->GetVideoId());
    UpdateRow(item);
}

void UpdateRow(CDownloadItem* item)
{
    UpdateRow(item, GetTickCount());
}

void UpdateRow(CDownloadItem* item, uint32_t now)
{
    if (!item || !item->m_pDownloader || !item->m_row.is_valid())
        return;
    DownloaderInfo info;
    info.mask = uint32_t(-1);
    if (!item->m_pDownloader->GetInfo(info, true))
        return;

    const QString title =
        info.title.isEmpty() ? QStringLiteral("Unknown-%1").arg(item->m_pDownloader->GetVideoId()) : info.title;
    const QString image = info.thumbpath.isEmpty() ? QStringLiteral("unknown.png") : info.thumbpath;
    const QString status = StatusText(info, now);

    HELEMENT row = item->m_row;
    SetElementText(row, QString());

    // Each subtree is finished before it joins the row, so the page sees
    // two insertions per rebuild instead of eight.
    element thumb = Child("div", "thumb", nullptr);
    element img = Child("img", nullptr, thumb);
    SetAttribute(img, "src", image);
    SetAttribute(img, "titleid", QStringLiteral("thumb_tip"));

    element infoCell = Child("div", "info", nullptr);
    element titleCell = Child("div", "title", infoCell);
    SetElementText(titleCell, title);
    element statusCell = Child("div", "status", infoCell);
    element text = Child("div", "text", statusCell);
    if (info.error != 0) {
        const std::string html = ToUtf8(status);
        if (html.empty())
            SetElementText(text, QString());
        else
            SetElementHtml(text, html);
    } else {
        SetElementText(text, status);
    }
    if (info.state != DS_DONE) {
        element progress = Child("div", "progress", statusCell);
        element input = Child("input", nullptr, progress);
        SetAttribute(input, "type", QStringLiteral("progress"));
        SetAttribute(input, "maxvalue", QString::number(info.length));
        // A job waiting for its turn has done nothing of this run yet.
        SetAttribute(input, "value", QString::number(info.state == DS_QUEUED ? 0 : info.completed));
    }

    InsertElement(thumb, row, HTMLAYOUT_APPEND);
    InsertElement(infoCell, row, HTMLAYOUT_APPEND);
}
