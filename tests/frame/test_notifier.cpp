// The desktop notifications over a private session bus: what a
// notification carries, the one-a-second rule and its summary, and silence
// when nobody serves notifications.

#include "tests/frame/fakenotifications.h"
#include "ui/frame/notifier.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include "tests/waitfor.h"

namespace {

QStringList g_logged;

void Record(QtMsgType, const QMessageLogContext&, const QString& text)
{
    g_logged << text;
}

}  // namespace

TEST(Notifier, OneASecondAndOneSummaryForABurst)
{
    FakeNotifications bus;
    ASSERT_TRUE(bus.IsRunning());
    ASSERT_TRUE(bus.Serve(true));
    CDownloadNotifier notifier;
    notifier.SetConnection(bus.Client());

    notifier.JobsEnded({{"Cats & Dogs", "19.5 KB"}});
    ASSERT_TRUE(WaitFor([&] { return bus.Notes().size() == 1; }));
    FakeNotifications::Note n = bus.Notes()[0];
    EXPECT_EQ(n.signature, "susssasa{sv}i");
    EXPECT_EQ(n.appName, "Ferrowick");
    EXPECT_EQ(n.replacesId, 0u);
    EXPECT_EQ(n.appIcon, "ferrowick");
    EXPECT_EQ(n.summary, "Cats & Dogs");  // a summary is plain text
    EXPECT_EQ(n.body, "19.5 KB");
    EXPECT_TRUE(n.actions.isEmpty());
    EXPECT_EQ(n.hints, (QVariantMap{{"desktop-entry", "example.ferrowick.ferrowick"}}));
    EXPECT_EQ(n.timeout, -1);

    // Three more endings within the second: one summary once it has passed,
    // the row's markup gone and the titles escaped for a markup-reading service.
    notifier.JobsEnded({{"Rain <live>", "<span class=\"error\">Internet Error!</span>"}});
    notifier.JobsEnded({{"Snow", "1.0 KB / 2.0 KB - <span class=\"error\">Uncompleted</span>"}, {"Wind", "2.0 KB"}});
    ASSERT_TRUE(WaitFor([&] { return bus.Notes().size() == 2; }));
    n = bus.Notes()[1];
    EXPECT_GE(n.at - bus.Notes()[0].at, 950);
    EXPECT_EQ(n.summary, "3 downloads ended");
    EXPECT_EQ(n.body, "Rain &lt;live&gt;: Internet Error!\nSnow: 1.0 KB / 2.0 KB - Uncompleted\nWind: 2.0 KB");
    Pump(1500);
    EXPECT_EQ(bus.Notes().size(), 2u);

    // After a quiet second the next ending is told at once, on its own.
    const qint64 before = bus.Now();
    notifier.JobsEnded({{"Fog", "3.0 KB"}});
    ASSERT_TRUE(WaitFor([&] { return bus.Notes().size() == 3; }));
    EXPECT_LT(bus.Notes()[2].at - before, 500);
    EXPECT_EQ(bus.Notes()[2].summary, "Fog");
}

TEST(Notifier, NothingHappensWithoutAServiceUntilOneComes)
{
    FakeNotifications bus;
    ASSERT_TRUE(bus.IsRunning());
    g_logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Record);
    {
        // No bus at all, then a bus where nobody has the name.
        CDownloadNotifier nowhere;
        nowhere.SetConnection(QDBusConnection(QStringLiteral("no such connection")));
        nowhere.JobsEnded({{"Lost", "1.0 KB"}});
        CDownloadNotifier notifier;
        notifier.SetConnection(bus.Client());
        notifier.JobsEnded({{"Unheard", "1.0 KB"}});
        Pump(1500);
        notifier.JobsEnded({{"Unheard too", "1.0 KB"}});
        Pump(500);

        // A service that starts later hears the next ending, plain text for a
        // service without markup.
        ASSERT_TRUE(bus.Serve(false));
        Pump(1100);
        notifier.JobsEnded({{"Heard", "1.0 KB"}, {"A & B", "2.0 KB"}});
        ASSERT_TRUE(WaitFor([&] { return bus.Notes().size() == 1; }));
        Pump(300);
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_logged.isEmpty()) << g_logged.join('\n').toStdString();
    ASSERT_EQ(bus.Notes().size(), 1u);
    EXPECT_EQ(bus.Notes()[0].summary, "2 downloads ended");
    EXPECT_EQ(bus.Notes()[0].body, "Heard: 1.0 KB\nA & B: 2.0 KB");
}
