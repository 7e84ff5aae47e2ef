// The add flow: the address box becomes a new item with a running job and
// a row at the top of the list, or the user is told why not. Addresses from
// outside the window take the same way through the address box.
#include "mainframe.h"

#include "engine/downloadqueue.h"
#include "engine/myyoutubedownloader.h"
#include "platform/exception.h"
#include "platform/textconv.h"
#include "ui/page/dom.h"
#include "ui/page/rows.h"

#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>

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

// The lines of a text, whatever ends them.
QStringList Lines(const QString& text)
{
    QString unified = text;
    unified.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return unified.split(QLatin1Char('\n'));
}

// The lines that are neither blank nor, in a URI list, a comment, trimmed.
QStringList AddressLines(const QString& text, bool uriList)
{
    QStringList out;
    for (const QString& line : Lines(text)) {
        QString trimmed = TrimAddress(line);
        if (!trimmed.isEmpty() && !(uriList && trimmed.startsWith(QLatin1Char('#'))))
            out << trimmed;
    }
    return out;
}

QString DuplicateText(const QString& address)
{
    return QStringLiteral("%1 has already in the download list.").arg(address);
}

}  // namespace

void CMainFrame::OnAddVideo()
{
    const QString text = FromUtf8(m_url.is_valid() ? GetElementInnerText(m_url) : std::string());
    QStringList lines = Lines(text);
    lines.erase(std::remove_if(lines.begin(), lines.end(), [](const QString& l) { return TrimAddress(l).isEmpty(); }),
                lines.end());

    if (lines.size() <= 1) {
        // One address: a refused one stays in the box as it was typed.
        if (AddAddress(TrimAddress(text), true) == AddOutcome::Added) {
            SetElementText(m_url, QString());
            UpdateElement(m_url, true);
        }
        return;
    }

    // A list: every line in turn; the refused ones stay in the box, in their
    // order, and the user hears of the first of them only.
    QStringList refused;
    AddOutcome firstRefusal = AddOutcome::Added;
    QString firstRefused;
    for (const QString& line : lines) {
        const QString address = TrimAddress(line);
        const AddOutcome outcome = AddAddress(address, false);
        if (outcome == AddOutcome::Added)
            continue;
        refused << line;
        if (firstRefusal == AddOutcome::Added && outcome != AddOutcome::Failed) {
            firstRefusal = outcome;
            firstRefused = address;
        }
    }
    SetElementText(m_url, refused.join(QLatin1Char('\n')));
    UpdateElement(m_url, true);
    if (firstRefusal == AddOutcome::Incorrect)
        RunAddressDialog(AddressDlgLearn);
    else if (firstRefusal == AddOutcome::Duplicate)
        MessageBox(DuplicateText(firstRefused), QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
}

CMainFrame::AddOutcome CMainFrame::AddAddress(const QString& address, bool tell)
{
    std::unique_ptr<CDownloadItem> item;
    try {
        if (address.isEmpty()) {
            if (tell)
                RunAddressDialog(AddressDlgLearn);
            return AddOutcome::Incorrect;
        }
        item = NewItem();
        if (!item->m_pDownloader->SetAddress(address)) {
            if (tell)
                RunAddressDialog(AddressDlgLearn);
            return AddOutcome::Incorrect;
        }
        const QString id = item->m_pDownloader->GetVideoId();
        if (m_items.count(id)) {
            if (tell)
                MessageBox(DuplicateText(address), QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
            return AddOutcome::Duplicate;
        }
        CMyYouTubeDownloader* job = item->m_pDownloader;
        InsertRow(item.get(), m_content, ROW_AT_TOP);
        m_items.emplace(id, std::move(item));
        m_queue->Start(job);  // a job that cannot start ends at once, with its row
        PollQueue();
        ScheduleSave();
        UpdateElement(m_content, true);
        return AddOutcome::Added;
    } catch (const CException&) {
        // Anything but a refusal leaves no trace but the item going again.
    } catch (...) {
    }
    // An item not taken by the table goes here; its job never ran or is
    // discarded (a started job stops and deletes itself).
    return AddOutcome::Failed;
}

std::unique_ptr<CDownloadItem> CMainFrame::NewItem()
{
    return std::make_unique<CDownloadItem>();
}

QStringList CMainFrame::DroppedAddresses(const QMimeData* data)
{
    if (!data)
        return {};
    // The list's own text, not QUrl's rendering of it: the duplicate message
    // quotes the address as it came.
    if (data->hasFormat(QStringLiteral("text/uri-list"))) {
        QStringList addresses = AddressLines(QString::fromUtf8(data->data(QStringLiteral("text/uri-list"))), true);
        if (!addresses.isEmpty())
            return addresses;
    }
    return data->hasText() ? AddressLines(data->text(), false) : QStringList();
}

bool CMainFrame::OnDropAddress(const QMimeData* data)
{
    const QStringList addresses = DroppedAddresses(data);
    if (addresses.isEmpty())
        return false;
    AddAddresses(addresses);
    return true;
}

bool CMainFrame::AddAddresses(const QStringList& addresses)
{
    if (m_bExiting || m_bDestroying)
        return false;
    if (addresses.isEmpty())
        return true;
    m_pendingAddresses << addresses;
    // Never from inside the event that brought them (a drop must end before
    // a dialog opens), and never twice at once: a dialog's own event loop
    // may bring more.
    if (!m_bAddsQueued && !m_bAddingAddresses) {
        m_bAddsQueued = true;
        QMetaObject::invokeMethod(this, &CMainFrame::AddPendingAddresses, Qt::QueuedConnection);
    }
    return true;
}

void CMainFrame::BringForward(const QString& activationToken)
{
    if (m_bExiting || m_bDestroying)
        return;
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    // Qt's Wayland plugin takes the token from the environment on the
    // activation that follows; none is left behind for the programs this one
    // starts. On X11 Qt 6 sends its own user time and takes no token.
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (wayland && !activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    raise();
    activateWindow();
    if (wayland && !activationToken.isEmpty())
        qunsetenv("XDG_ACTIVATION_TOKEN");
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
