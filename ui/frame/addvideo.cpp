// The add flow: the address box becomes a new item with a running job and
// a row at the top of the list, or the user is told why not. Addresses from
// outside the window take the same way through the address box.
#include "mainframe.h"

#include "engine/myyoutubedownloader.h"
#include "platform/exception.h"
#include "platform/textconv.h"
#include "ui/page/dom.h"
#include "ui/page/rows.h"

#include <QMimeData>

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

// The first line that is neither blank nor, in a URI list, a comment.
QString FirstLine(const QString& text, bool uriList)
{
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        QString trimmed = TrimAddress(line.toString());
        if (!trimmed.isEmpty() && !(uriList && trimmed.startsWith(QLatin1Char('#'))))
            return trimmed;
    }
    return QString();
}

}  // namespace

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

QString CMainFrame::DroppedAddress(const QMimeData* data)
{
    if (!data)
        return QString();
    // The list's own text, not QUrl's rendering of it: the duplicate message
    // quotes the address as it came.
    if (data->hasFormat(QStringLiteral("text/uri-list"))) {
        QString address = FirstLine(QString::fromUtf8(data->data(QStringLiteral("text/uri-list"))), true);
        if (!address.isEmpty())
            return address;
    }
    return data->hasText() ? FirstLine(data->text(), false) : QString();
}

bool CMainFrame::OnDropAddress(const QMimeData* data)
{
    const QString address = DroppedAddress(data);
    if (address.isEmpty())
        return false;
    AddAddresses({address});
    return true;
}

void CMainFrame::AddAddresses(const QStringList& addresses)
{
    if (m_bExiting || m_bDestroying || addresses.isEmpty())
        return;
    m_pendingAddresses << addresses;
    // Never from inside the event that brought them (a drop must end before
    // a dialog opens), and never twice at once: a dialog's own event loop
    // may bring more.
    if (!m_bAddsQueued && !m_bAddingAddresses) {
        m_bAddsQueued = true;
        QMetaObject::invokeMethod(this, &CMainFrame::AddPendingAddresses, Qt::QueuedConnection);
    }
}

void CMainFrame::AddPendingAddresses()
{
    m_bAddsQueued = false;
    if (m_bAddingAddresses)
        return;
    m_bAddingAddresses = true;
    while (!m_pendingAddresses.isEmpty() && !m_bExiting && !m_bDestroying && m_url.is_valid()) {
        SetElementText(m_url, m_pendingAddresses.takeFirst());
        UpdateElement(m_url, true);
        OnAddVideo();
    }
    m_bAddingAddresses = false;
    if (m_bExiting || m_bDestroying)
        m_pendingAddresses.clear();
}
