#include "testdesktop.h"

#include "tests/waitfor.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMutexLocker>
#include <QRegularExpression>

namespace {

const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString kFileManager = QStringLiteral("/org/freedesktop/FileManager1");
const QString kAccessibilityBus = QStringLiteral("/org/a11y/bus");
constexpr uint kRoleAlert = 2;  // AT-SPI's role of a message box
constexpr uint kRoleDialog = 16;

QVariantList Ask(const QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                 const QString& method, const QVariantList& args = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(args);
    return bus.call(call, QDBus::Block, 5000).arguments();
}

// The accessible children of an object: (service, path) pairs.
QList<QPair<QString, QString>> Children(const QDBusConnection& bus, const QString& service, const QString& path)
{
    QList<QPair<QString, QString>> out;
    const QVariantList reply = Ask(bus, service, path, kAccessible, QStringLiteral("GetChildren"));
    if (reply.isEmpty() || reply[0].userType() != qMetaTypeId<QDBusArgument>())  // an error's text
        return out;
    const QDBusArgument list = reply[0].value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString childService;
        QDBusObjectPath childPath;
        list.beginStructure();
        list >> childService >> childPath;
        list.endStructure();
        out.append({childService, childPath.path()});
    }
    list.endArray();
    return out;
}

QString Text(const QDBusConnection& bus, const QString& service, const QString& path, const QString& property)
{
    const QVariantList reply = Ask(bus, service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("Get"), {kAccessible, property});
    return reply.value(0).value<QDBusVariant>().variant().toString();
}

void ReadNames(const QDBusConnection& bus, const QString& service, const QString& path, int depth, QStringList& out)
{
    if (const QString text = Text(bus, service, path, QStringLiteral("Name")); !text.isEmpty())
        out << text;
    if (depth > 0)
        for (const auto& [childService, childPath] : Children(bus, service, path))
            ReadNames(bus, childService, childPath, depth - 1, out);
}

// Each object below path to this depth: "role 'name'", and " desc='...'" when it has one.
void ReadTree(const QDBusConnection& bus, const QString& service, const QString& path, int depth, QStringList& out)
{
    for (const auto& [child, childPath] : Children(bus, service, path)) {
        const QString desc = Text(bus, child, childPath, QStringLiteral("Description"));
        out << Ask(bus, child, childPath, kAccessible, QStringLiteral("GetRoleName")).value(0).toString() + " '" +
                   Text(bus, child, childPath, QStringLiteral("Name")) + "'" +
                   (desc.isEmpty() ? QString() : " desc='" + desc + "'");
        if (depth > 1)
            ReadTree(bus, child, childPath, depth - 1, out);
    }
}

}  // namespace

TestDesktop::TestDesktop(bool screenReader) : m_reader(m_bus.Connect(QStringLiteral("reader")))
{
    // Xvfb takes the first free display and writes its number to the
    // descriptor -displayfd names, here its standard output.
    m_xvfb.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_xvfb.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1920x1440x24", "-nolisten", "tcp"});
    WaitFor([&] { return m_xvfb.canReadLine() || m_xvfb.state() == QProcess::NotRunning; });
    if (const QByteArray number = m_xvfb.readLine().trimmed(); !number.isEmpty())
        m_display = ':' + QString::fromLatin1(number);
    m_services = m_bus.Connect(QStringLiteral("services"));
    m_services.registerVirtualObject(kFileManager, this);
    m_services.registerService(QStringLiteral("org.freedesktop.FileManager1"));
    if (screenReader) {
        m_services.registerVirtualObject(kAccessibilityBus, this);
        m_services.registerService(QStringLiteral("org.a11y.Bus"));
    }
}

TestDesktop::~TestDesktop()
{
    m_clipboard.kill();
    m_clipboard.waitForFinished(5000);
    m_services.unregisterObject(kFileManager);
    m_services.unregisterObject(kAccessibilityBus);
    m_xvfb.terminate();
    if (!m_xvfb.waitForFinished(5000))
        m_xvfb.kill();
    m_xvfb.waitForFinished(5000);
}

QMap<QString, QString> TestDesktop::environment(const QString& proxy, const QMap<QString, QString>& more) const
{
    QMap<QString, QString> env{{"DISPLAY", m_display},
                               {"QT_QPA_PLATFORM", "xcb"},
                               {"DBUS_SESSION_BUS_ADDRESS", m_bus.Address()},
                               {"PATH", m_opener.path()},
                               {"http_proxy", proxy}};
    env.insert(more);
    return env;
}

QString TestDesktop::xdotool(const QStringList& args) const
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    tool.setProcessEnvironment(env);
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QStringLiteral("xdotool"), args);
    if (!tool.waitForFinished(10000))
        tool.kill();
    tool.waitForFinished(5000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

QStringList TestDesktop::windows(const QString& title) const
{
    return xdotool({"search", "--onlyvisible", "--name", '^' + QRegularExpression::escape(title) + '$'})
        .split('\n', Qt::SkipEmptyParts);
}

QString TestDesktop::newWindow(const QString& title, const QStringList& before) const
{
    QString found;
    WaitFor([&] {
        for (const QString& w : windows(title))
            if (!before.contains(w))
                found = w;
        return !found.isEmpty();
    });
    return found;
}

void TestDesktop::key(const QString& window, const QString& keys) const
{
    // A key that closes the window leaves its release nowhere to go and
    // xdotool complains: what the key did is the test's to check. The key is
    // then released on the server, which would otherwise repeat it into the
    // window that has the focus next.
    xdotool({"key", "--window", window, keys});
    xdotool({"keyup", keys});
}

bool TestDesktop::setClipboard(const QString& text)
{
    m_clipboard.kill();
    m_clipboard.waitForFinished(5000);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    m_clipboard.setProcessEnvironment(env);
    m_clipboard.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // -quiet keeps it in the foreground, so that it stays this test's to end.
    m_clipboard.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-quiet"});
    if (!m_clipboard.waitForStarted(5000))
        return false;
    m_clipboard.write(text.toUtf8());
    m_clipboard.closeWriteChannel();
    // It owns the selection once it has read all of its input: then the clipboard reads back the text.
    const auto clipboard = [&] {
        QProcess read;
        read.setProcessEnvironment(env);
        read.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-o"});
        read.waitForFinished(5000);
        return QString::fromUtf8(read.readAllStandardOutput());
    };
    return WaitFor([&] { return clipboard() == text; }, 5000);
}

QStringList TestDesktop::messageBoxTexts(qint64 pid)
{
    // The program's root lists its top-level windows; only the boxes are
    // read, never the page's whole tree.
    QStringList texts;
    QDBusConnectionInterface* bus = m_reader.interface();
    for (const QString& name : bus->registeredServiceNames().value()) {
        if (!name.startsWith(':') || bus->servicePid(name).value() != pid)
            continue;
        for (const auto& [service, path] :
             Children(m_reader, name, QStringLiteral("/org/a11y/atspi/accessible/root"))) {
            const uint role = Ask(m_reader, service, path, kAccessible, QStringLiteral("GetRole")).value(0).toUInt();
            if (role == kRoleAlert || role == kRoleDialog)
                ReadNames(m_reader, service, path, 3, texts);
        }
    }
    return texts;
}

QStringList TestDesktop::accessibleTree(qint64 pid, int depth)
{
    QStringList out;
    QDBusConnectionInterface* bus = m_reader.interface();
    for (const QString& name : bus->registeredServiceNames().value())
        if (name.startsWith(':') && bus->servicePid(name).value() == pid)
            ReadTree(m_reader, name, QStringLiteral("/org/a11y/atspi/accessible/root"), depth, out);
    return out;
}

QStringList TestDesktop::shown() const
{
    QMutexLocker lock(&m_lock);
    return m_shown;
}

void TestDesktop::holdAnswers(bool hold)
{
    QMutexLocker lock(&m_lock);
    m_hold = hold;
}

void TestDesktop::answerHeld()
{
    QList<QDBusMessage> held;
    {
        QMutexLocker lock(&m_lock);
        held.swap(m_held);
    }
    for (const QDBusMessage& call : held)
        m_services.send(call.createReply());
}

QString TestDesktop::introspect(const QString&) const
{
    return QString();
}

bool TestDesktop::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    const QString member = message.member();
    if (message.interface() == QLatin1String("org.freedesktop.FileManager1") && member == QLatin1String("ShowItems") &&
        message.signature() == QLatin1String("ass")) {
        QMutexLocker lock(&m_lock);
        m_shown << message.arguments().value(0).toStringList();
        if (m_hold) {
            m_held << message;
            return true;
        }
        return connection.send(message.createReply());
    }
    // The accessibility bus is this bus, and every property of org.a11y.Status
    // (IsEnabled, ScreenReaderEnabled) is true.
    if (message.interface() == QLatin1String("org.a11y.Bus") && member == QLatin1String("GetAddress"))
        return connection.send(message.createReply(m_bus.Address()));
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties") && member == QLatin1String("Get"))
        return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(true))));
    return false;
}
