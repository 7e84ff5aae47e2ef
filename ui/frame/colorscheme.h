#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <optional>

// The desktop's light or dark preference, as the desktop portal publishes
// it (org.freedesktop.appearance color-scheme): read once, asynchronously,
// then followed through the portal's SettingChanged signal. No portal, no
// session bus, an error or "no preference" all read as light.
class CColorScheme : public QObject {
    Q_OBJECT
public:
    explicit CColorScheme(QObject* parent = nullptr);
    ~CColorScheme() override;
    CColorScheme(const CColorScheme&) = delete;
    CColorScheme& operator=(const CColorScheme&) = delete;

    // Asks the portal on this bus and follows it from now on; the session
    // bus when Start comes first.
    void SetConnection(const QDBusConnection& bus);
    // Starts on the session bus, unless a bus was given already.
    void Start();
    bool IsDark() const { return m_dark; }
    // The dialogs' palette: Fusion in dark colours for the dark scheme; the
    // style and palette the program started with for the light one. Untouched
    // until the scheme first turns dark, so a light desktop sees no change.
    // Setting the application's palette restyles open dialogs too.
    static void ApplyToDialogs(bool dark);

signals:
    void changed(bool dark);

private slots:
    // The portal's SettingChanged(namespace, key, value).
    void OnSettingChanged(const QDBusMessage& signal);

private:
    void Read();
    void Set(bool dark);

    std::optional<QDBusConnection> m_bus;
    unsigned m_generation = 0;  // a newer bus or a signal outdates answers still on their way
    bool m_dark = false;
};
