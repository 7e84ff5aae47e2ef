#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

class CMainFrame;

// The running copy as the desktop starts and activates it: the app id's
// name on the session bus and org.freedesktop.Application at the path made
// of it. Addresses that come with Open take the window's add flow, as a
// second start's do. A name that another process holds is left to it, and
// without a bus nothing changes.
class CApplicationService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit CApplicationService(CMainFrame* frame);
    ~CApplicationService() override;
    CApplicationService(const CApplicationService&) = delete;
    CApplicationService& operator=(const CApplicationService&) = delete;

    static QString Name();
    static QString Path();
    // Serves the interface on this bus and asks for the name without waiting
    // for the answer; the name goes back when this object does.
    void Serve(const QDBusConnection& bus);

public Q_SLOTS:
    Q_SCRIPTABLE void Activate(const QVariantMap& platformData);
    Q_SCRIPTABLE void Open(const QStringList& uris, const QVariantMap& platformData);
    // The program has no actions: the call is answered and does nothing.
    Q_SCRIPTABLE void ActivateAction(const QString& action, const QVariantList& parameter,
                                     const QVariantMap& platformData);

private:
    QPointer<CMainFrame> m_frame;
    std::optional<QDBusConnection> m_bus;
    bool m_owner = false;
};
