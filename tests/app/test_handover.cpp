// The hand-over between two starts: a copy that refuses is told apart from
// one that took the addresses, and connections that send nothing never
// turn a sender away.
#include "app/handoverserver.h"
#include "tests/waitfor.h"

#include <QLocalSocket>
#include <gtest/gtest.h>

#include <future>

TEST(HandOver, AnswersOnlyWhatItTookAndIdleConnectionsMakeRoom)
{
    const QString name = QStringLiteral("ferrowick-test-handover-%1").arg(QCoreApplication::applicationPid());
    HandOverServer server;
    ASSERT_TRUE(server.Listen(name));
    bool accept = false;
    QStringList taken;
    QStringList tokens;
    server.SetTaker([&](const QStringList& addresses, const QString& token) {
        taken += addresses;
        tokens << token;
        return accept;
    });
    const auto send = [&](const QStringList& addresses, const QString& token = QString()) {
        auto sent = std::async(std::launch::async, [&] { return HandOverServer::Send(name, addresses, token, 3000); });
        EXPECT_TRUE(WaitFor([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        return sent.get();
    };
    EXPECT_FALSE(send({"http://a/1"}));  // a copy on its way out refuses

    accept = true;
    std::vector<std::unique_ptr<QLocalSocket>> idle(HandOverServer::kMaxOpen + 4);
    for (auto& socket : idle) {
        socket = std::make_unique<QLocalSocket>();
        socket->setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        socket->connectToServer(name);
        ASSERT_TRUE(socket->waitForConnected(3000));
    }
    Pump(300);
    EXPECT_TRUE(send({"http://a/2", "http://a/3"}, "token-1"));
    EXPECT_EQ(taken, (QStringList{"http://a/1", "http://a/2", "http://a/3"}));

    // A sender that knows no token, as an older copy: its list is taken without.
    QLocalSocket old;
    old.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    old.connectToServer(name);
    ASSERT_TRUE(old.waitForConnected(3000));
    old.write(QByteArray("http://a/4\0\0", 12));
    EXPECT_TRUE(WaitFor([&] { return old.bytesAvailable() > 0; }));
    EXPECT_EQ(old.read(1), QByteArray("\x06"));
    EXPECT_EQ(taken.last(), "http://a/4");
    EXPECT_EQ(tokens, (QStringList{"", "token-1", ""}));
}
