#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>
#include <vector>

// Desktop notifications (org.freedesktop.Notifications) for downloads that
// ended while the user looked elsewhere. At most one a second: endings that
// come closer together are gathered into one summary. Every call is
// asynchronous and its answer, error or not, never reaches the user: with no
// notification service nothing happens.
class CDownloadNotifier : public QObject {
    Q_OBJECT
public:
    struct Ending {
        QString title;
        QString status;  // the row's status text; markup is taken out
    };

    explicit CDownloadNotifier(QObject* parent = nullptr);
    ~CDownloadNotifier() override;
    CDownloadNotifier(const CDownloadNotifier&) = delete;
    CDownloadNotifier& operator=(const CDownloadNotifier&) = delete;

    // The bus to look for the service on; the session bus unless set.
    void SetConnection(const QDBusConnection& bus);
    // Endings noticed together: told now, or once a second has passed
    // since the last notification.
    void JobsEnded(const std::vector<Ending>& endings);

private:
    QDBusConnection& Bus();
    void Flush();
    void AskCapabilities();
    void Notify(const QString& summary, const QString& body);

    std::optional<QDBusConnection> m_bus;
    std::vector<Ending> m_pending;
    QTimer m_quiet;     // runs for a second after each notification
    int m_markup = -1;  // whether the service reads markup in bodies: -1 not known yet
    bool m_asking = false;
};
