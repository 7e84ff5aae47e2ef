#pragma once

#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>

// Keeps the computer from going to sleep in the middle of a download: a
// logind "sleep" inhibitor lock in block mode, over the system bus, taken
// when the first job starts downloading and given back (its descriptor
// closed) when the last one ends or stops. The call is asynchronous; with no
// logind, or when logind refuses, nothing is said and the downloads go on.
class CSleepInhibitor : public QObject {
    Q_OBJECT
public:
    explicit CSleepInhibitor(QObject* parent = nullptr);
    ~CSleepInhibitor() override;
    CSleepInhibitor(const CSleepInhibitor&) = delete;
    CSleepInhibitor& operator=(const CSleepInhibitor&) = delete;

    // Told at every refresh whether any job is downloading. A refused lock
    // is asked for again only when downloads start anew.
    void SetDownloading(bool downloading);
    bool IsHeld() const { return m_lock.isValid(); }

private:
    void Ask();

    QString m_busName;
    bool m_connected = false;
    bool m_wanted = false;
    bool m_asking = false;
    QDBusUnixFileDescriptor m_lock;
};
