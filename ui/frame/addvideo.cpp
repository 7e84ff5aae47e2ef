// The add flow: the address box becomes a new item with a running job and
// a row at the top of the list, or the user is told why not.
#include "mainframe.h"

#include "engine/myyoutubedownloader.h"
#include "platform/exception.h"
#include "platform/textconv.h"
#include "ui/page/dom.h"
#include "ui/page/rows.h"

namespace {

// White space by the platform's wide test, from the end first, then the start.
QString TrimAddress(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    qsizetype start = 0;
    while (start < end && text[start].isSpace())
        ++start;
    return text.mid(start, end - start);
}

} // namespace

void CMainFrame::OnAddVideo()
{
    std::unique_ptr<CDownloadItem> item;
    try {
        const QString address = TrimAddress(FromUtf8(m_url.is_valid() ? GetElementInnerText(m_url) : std::string()));
        if (address.isEmpty()) {
            RunAddressDialog(AddressDlgLearn);
            return;
        }
        item = std::make_unique<CDownloadItem>();
        if (!item->m_pDownloader->SetAddress(address)) {
            RunAddressDialog(AddressDlgLearn);
            throw CUserException(QStringLiteral("refused"));
        }
        const QString id = item->m_pDownloader->GetVideoId();
        if (m_items.count(id)) {
            MessageBox(QStringLiteral("%1 has already in the download list.").arg(address), QMessageBox::Ok,
                       QMessageBox::Warning, QMessageBox::Ok);
            throw CUserException(QStringLiteral("duplicate"));
        }
        item->m_pDownloader->Start();  // a job that cannot start still gets its row
        InsertRow(item.get(), m_content, ROW_AT_TOP);
        m_items.emplace(id, std::move(item));
        ScheduleSave();
        UpdateElement(m_content, true);
        SetElementText(m_url, QString());
        UpdateElement(m_url, true);
    } catch (const CException&) {
        // Refusals have told the user already; anything else leaves no trace
        // but the item going again.
    } catch (...) {
    }
    // An item not taken by the table goes here; its job never ran or is
    // discarded (a started job stops and deletes itself).
}
