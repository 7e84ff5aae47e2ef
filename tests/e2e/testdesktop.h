#pragma once

#include "tests/support/fakeopener.h"
#include "tests/support/privatebus.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMap>
#include <QMutex>
#include <QProcess>
#include <QStringList>

// The desktop a program under test is started on, all of it the test's own:
// an X server (Xvfb on a display it finds free), a session bus with a file
// manager (org.freedesktop.FileManager1) that records what it is asked to
// show, an xdg-open first on PATH that records what it is asked to open, and
// on request the accessibility service a screen reader relies on
// (org.a11y.Bus, switched on, this bus given as the accessibility bus), over
// which Qt programs publish their widgets. A user's hands on it: find a
// window by its title, press keys in it, read a message box, copy text.
class TestDesktop : public QDBusVirtualObject {
public:
    explicit TestDesktop(bool screenReader = false);
    ~TestDesktop() override;

    bool isRunning() const { return !m_display.isEmpty() && m_bus.IsRunning(); }
    // For the program: this desktop, the local site as its proxy, and more.
    QMap<QString, QString> environment(const QString& proxy, const QMap<QString, QString>& more = {}) const;

    // The shown windows whose title is exactly this, oldest first.
    QStringList windows(const QString& title) const;
    // A shown window of this title that is not among before; empty when none comes in time.
    QString newWindow(const QString& title, const QStringList& before) const;
    // Sends keys to the window (xdotool key names: "y", "Return", "Escape").
    void key(const QString& window, const QString& keys) const;
    // Puts text on the desktop's clipboard, as copying it in another program does.
    bool setClipboard(const QString& text);
    // Every text of the message boxes the process shows now, as a screen reader reads them.
    QStringList messageBoxTexts(qint64 pid);
    // The process's accessible tree to this depth below its root, as the
    // tree script prints it: "role 'name'", and " desc='...'" when it has one.
    QStringList accessibleTree(qint64 pid, int depth);

    // The URIs the file manager was asked to show, and the arguments xdg-open was given.
    QStringList shown() const;
    // While held, the file manager keeps its answers, as one that hangs does;
    // answerHeld sends those kept so far.
    void holdAnswers(bool hold);
    void answerHeld();
    QStringList opened() const { return m_opener.opened(); }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QString xdotool(const QStringList& args) const;  // its output

    QProcess m_xvfb;
    QProcess m_clipboard;  // xclip, owning the clipboard until it is replaced
    QString m_display;
    PrivateBus m_bus;
    QDBusConnection m_reader;
    QDBusConnection m_services{QString()};
    FakeOpener m_opener;
    mutable QMutex m_lock;
    QStringList m_shown;
    bool m_hold = false;
    QList<QDBusMessage> m_held;
};
